#include "RadioSession.h"

#include "store/WorkDatabase.h"

#include <QCoreApplication>

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

bool readStopRequested(WindowServices &window, const QString &progress)
{
    if (!window.cancelRequested())
        return false;
    window.setFailure(QCoreApplication::translate(
                          "RadioSession", "stopped at the operator's request at %1; the radio's settings are unchanged")
                          .arg(progress));
    return true;
}
