#pragma once

class QFileDialog;
class QString;
class QWidget;

// The desktop's own ways, on each system.
namespace DesktopShell {

// Shows a page with the desktop's viewer, or in Brisk's own help window when the
// desktop has none that can.
void openPage(QWidget *parent, const QString &path);

// Which file dialog: on Linux Qt's own, whose "ALL FILE(*.*)" Brisk makes list every
// name; on Windows the system's, where "*.*" already matches every file.
void prepareFileDialog(QFileDialog &dialog);

} // namespace DesktopShell
