#include "OperatorDialogs.h"

#include "frmHelp.h"
#include "frmRadioType.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QStringList>
#include <QUrl>

namespace {

const QString LastFolderKey = QStringLiteral("Dialogs/LastFolder");

QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BriskHx7730"));
}

QString lastFolder()
{
    const QString folder = userSettings().value(LastFolderKey).toString();
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

QString remembered(const QString &chosen)
{
    if (!chosen.isEmpty())
        userSettings().setValue(LastFolderKey, QFileInfo(chosen).absolutePath());
    return chosen;
}

} // namespace

void DesktopDialogs::message(QWidget *parent, const QString &text, Icon icon, const QString &title,
                             const QString &detail)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    parent);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    box.exec();
}

QString DesktopDialogs::chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter)
{
    return remembered(QFileDialog::getOpenFileName(parent, title, lastFolder(), qtFileFilter(filter)));
}

QString DesktopDialogs::chooseFileToSave(QWidget *parent, const QString &title, const QString &filter)
{
    return remembered(QFileDialog::getSaveFileName(parent, title, lastFolder(), qtFileFilter(filter), nullptr,
                                                   QFileDialog::DontConfirmOverwrite));
}

QString DesktopDialogs::chooseRadioType(QWidget *parent, const QString &preselected)
{
    frmRadioType dialog(preselected, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.chosenType() : QString();
}

void DesktopDialogs::openDocument(QWidget *parent, const QString &path)
{
    // Like the shell's "open": a missing page gives no message.
    if (!QFileInfo::exists(path))
        return;
#ifdef Q_OS_LINUX
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
#else
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        showHelpWindow(parent, path);
#endif
}

QString qtFileFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &name = parts[i];
        // Qt takes the patterns from the parentheses that close the name.
        if (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('(')))
            entries << name;
        else
            entries << name + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}
