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
    const WorkDatabase::WorkFolder work = WorkDatabase::folderFor(programFolder);
    frmMain window({programFolder, texts, &operations, &dialogs, work.path, {}, work.madeForThisRun, work.problem});
    if (!window.startUp())
        return window.endedBySignal() ? 128 + TerminationSignals::last() : 1;
    window.show();
    return app.exec();
}
