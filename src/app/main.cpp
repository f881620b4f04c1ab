#include "Operations.h"
#include "OperatorDialogs.h"
#include "QtTranslations.h"
#include "TerminationSignals.h"
#include "frmMain.h"
#include "store/WorkDatabase.h"

#include "AppIcon.h"
#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(appIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(BRISK_APP_ID));
    const StringTable texts;
    const WindowTranslations translations(texts.language());

    RadioOperations operations;
    DesktopDialogs dialogs;
    // Where the links in /usr/bin lead: the program's real folder.
    const QString programFolder = QCoreApplication::applicationDirPath();
    frmMain window({programFolder, texts, &operations, &dialogs, WorkDatabase::folderFor(programFolder)});
    if (!window.startUp())
        return 1;
    onTerminationSignals(&window, [&window] { window.stopOnSignal(); });
    window.show();
    return app.exec();
}
