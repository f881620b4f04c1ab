#include "Operations.h"
#include "OperatorDialogs.h"
#include "frmMain.h"

#include "AppIcon.h"
#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(appIcon());

    RadioOperations operations;
    DesktopDialogs dialogs;
    frmMain window({QCoreApplication::applicationDirPath(), StringTable(), &operations, &dialogs});
    if (!window.startUp())
        return 1;
    window.show();
    return app.exec();
}
