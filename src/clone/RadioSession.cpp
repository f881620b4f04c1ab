#include "RadioSession.h"

#include "store/WorkDatabase.h"

bool startRead(WindowServices &window, const QString &table, int columns, QSqlQuery &insert, clsBriskHx7730 &link)
{
    QString reason;
    if (!WorkDatabase::prepareRefill(window.WorkConnection(), table, columns, insert, &reason)) {
        window.setFailure(reason);
        return false;
    }
    if (!link.CommOpen(window.settingsText())) {
        window.setFailure(link.lastError());
        return false;
    }
    link.AiWrite(QStringLiteral("0"));
    return true;
}

bool writeFailed(WindowServices &window, const clsBriskHx7730 &link)
{
    window.setFailure(link.lastError().isEmpty() ? QStringLiteral("the port is not open") : link.lastError());
    return false;
}

bool finishWrite(WindowServices &window, clsBriskHx7730 &link)
{
    if (link.isOpen() && !link.drain()) {
        window.setFailure(link.lastError());
        return false;
    }
    return true;
}
