#include "Operations.h"
#include "OperatorDialogs.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/brisk/icon.png")));

    RadioOperations operations;
    DesktopDialogs dialogs;
    frmMain window({QCoreApplication::applicationDirPath(), StringTable(), &operations, &dialogs});
    if (!window.startUp())
        return 1;
    window.show();
    return app.exec();
}
