#include "DesktopShell.h"

#include "frmHelp.h"

#include <QDesktopServices>
#include <QUrl>

namespace DesktopShell {

// The shell's "open" (ShellExecute): the desktop's browser, or Brisk's own viewer.
void openPage(QWidget *parent, const QString &path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        showHelpWindow(parent, path);
}

void prepareFileDialog(QFileDialog &)
{
}

} // namespace DesktopShell
