#include "DesktopShell.h"

#include "frmHelp.h"

#include <QFileDialog>
#include <QPointer>
#include <QProcess>

namespace DesktopShell {

void openPage(QWidget *parent, const QString &path)
{
    // QDesktopServices only says whether an opener could be started; xdg-open's exit code
    // says whether anything could show the page (3: no browser, no handler).
    auto *opener = new QProcess(parent);
    opener->setObjectName(QStringLiteral("helpOpener"));
    // A browser that xdg-open starts in its place inherits these; it outlives us.
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QPointer<QWidget> owner(parent);
    QObject::connect(opener, &QProcess::finished, opener, [=](int code, QProcess::ExitStatus status) {
        // A crash exit is our own kill when the window goes before the opener ends.
        if (status == QProcess::NormalExit && code != 0)
            showHelpWindow(owner, path);
        opener->deleteLater();
    });
    QObject::connect(opener, &QProcess::errorOccurred, opener, [=](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        showHelpWindow(owner, path);
        opener->deleteLater();
    });
    opener->start(QStringLiteral("xdg-open"), {path});
}

void prepareFileDialog(QFileDialog &dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
}

} // namespace DesktopShell
