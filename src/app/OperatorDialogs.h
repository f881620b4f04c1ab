#pragma once

#include <QString>

class QWidget;

// Everything the window asks of the operator or the desktop: message boxes, file
// dialogs and the help viewer. The window talks to the operator only through this,
// so that tests can answer in the operator's place.
class OperatorDialogs
{
public:
    enum class Icon { None, Critical };

    virtual ~OperatorDialogs() = default;
    // `reason` (why it failed, or the notes of a success) is shown beneath `text`, which it
    // never replaces; `trail` (what was used, where it is recorded) behind "Show Details...".
    virtual void message(QWidget *parent, const QString &text, Icon icon, const QString &title,
                         const QString &reason = QString(), const QString &trail = QString()) = 0;
    // `filter` in the "Name (*.ext)|*.ext|..." form. An empty result means cancelled.
    // File dialogs open in the folder of the file last chosen.
    virtual QString chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter) = 0;
    // A save dialog that does not ask before an existing file is chosen.
    virtual QString chooseFileToSave(QWidget *parent, const QString &title, const QString &filter) = 0;
    // Shows a help page with the desktop's viewer, or in a window of the program's own
    // when the desktop has none.
    virtual void openDocument(QWidget *parent, const QString &path) = 0;
    // The radio's market type as the operator chooses it, `preselected` offered first.
    // An empty result means cancelled.
    virtual QString chooseRadioType(QWidget *parent, const QString &preselected) = 0;
};

// The real thing: QMessageBox, QFileDialog, the desktop's viewer or frmHelp.
class DesktopDialogs : public OperatorDialogs
{
public:
    void message(QWidget *parent, const QString &text, Icon icon, const QString &title, const QString &reason,
                 const QString &trail) override;
    QString chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter) override;
    QString chooseFileToSave(QWidget *parent, const QString &title, const QString &filter) override;
    void openDocument(QWidget *parent, const QString &path) override;
    QString chooseRadioType(QWidget *parent, const QString &preselected) override;
};

// "CPU/DSP FIRMWARE FILE (*.mot)|*.mot|ALL FILE(*.*)|*.*" as QFileDialog wants it:
// the names, which show their patterns, joined by ";;".
QString qtFileFilter(const QString &pipeFilter);
