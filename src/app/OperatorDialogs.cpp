#include "OperatorDialogs.h"

#include "DesktopShell.h"
#include "frmRadioType.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QStringList>

namespace {

const QString LastFolderKey = QStringLiteral("Dialogs/LastFolder");
constexpr auto AllFilesPattern = "(*.*)";
// A reason of 300 characters reads in four lines of this width.
constexpr int ReasonLineCharacters = 80;

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

// Qt's own dialog reads "*.*" as names with a dot; the operator's "ALL FILE(*.*)" means every
// file, a settings file saved without a suffix among them.
void matchEveryNameForAllFiles(QFileDialog &dialog)
{
    auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    auto *files = dialog.findChild<QFileSystemModel *>();
    if (!types || !files)
        return;
    // Queued: the dialog sets the patterns of the chosen entry first.
    QObject::connect(
        types, &QComboBox::currentIndexChanged, &dialog,
        [&dialog, files] {
            if (dialog.selectedNameFilter().endsWith(QLatin1String(AllFilesPattern)))
                files->setNameFilters({QStringLiteral("*")});
        },
        Qt::QueuedConnection);
}

QString chooseFile(QWidget *parent, const QString &title, const QString &filter, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, title, lastFolder());
    dialog.setObjectName(QStringLiteral("dlgFileSelect"));
    DesktopShell::prepareFileDialog(dialog);
    dialog.setAcceptMode(mode);
    dialog.setNameFilters(qtFileFilter(filter).split(QStringLiteral(";;")));
    if (mode == QFileDialog::AcceptSave) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        // "gui_read" saves as "gui_read.csv", which the CSV entry then lists again.
        dialog.setDefaultSuffix(filter.section(QLatin1Char('|'), 1, 1).section(QLatin1Char('.'), 1));
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    matchEveryNameForAllFiles(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

void DesktopDialogs::message(QWidget *parent, const QString &text, Icon icon, const QString &title,
                             const QString &reason, const QString &trail)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    parent);
    box.setInformativeText(reason);
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"))) {
        // A reason is words, never markup; and a long one wraps in sight rather than scrolling.
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(label->fontMetrics().averageCharWidth() * ReasonLineCharacters);
    }
    if (!trail.isEmpty())
        box.setDetailedText(trail);
    box.exec();
}

QString DesktopDialogs::chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter)
{
    return remembered(chooseFile(parent, title, filter, QFileDialog::AcceptOpen));
}

QString DesktopDialogs::chooseFileToSave(QWidget *parent, const QString &title, const QString &filter)
{
    return remembered(chooseFile(parent, title, filter, QFileDialog::AcceptSave));
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
    DesktopShell::openPage(parent, path);
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
