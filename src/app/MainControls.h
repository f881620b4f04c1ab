#pragma once

#include <QList>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QProgressBar;
class QPushButton;

// The main window's controls under their names. The window owns them; the action
// controller switches them between its states.
struct MainControls
{
    QLabel *lblAction = nullptr;
    QLabel *lblInstruction = nullptr;
    QLabel *lblCaution = nullptr;
    QLabel *lblType = nullptr;
    QLabel *lblPrepared = nullptr; // what the prepared action will use: its file, the radio's type
    QPushButton *cmdMRead = nullptr;
    QPushButton *cmdAdjust = nullptr;
    QPushButton *cmdUser = nullptr;
    QPushButton *cmdMWrite = nullptr;
    QPushButton *cmdExec = nullptr;
    QPushButton *cmdCancel = nullptr;
    QProgressBar *barMain = nullptr;
    QLabel *lblStatus = nullptr; // the status line: the port in use and the chosen file

    QMenu *mnuMenu1 = nullptr;
    QMenu *mnuMenu2 = nullptr;
    QMenu *mnuMenu3 = nullptr;
    QMenu *mnuMenu31 = nullptr;
    QAction *mnuMenu11 = nullptr;
    QAction *mnuMenu12 = nullptr;
    QAction *mnuMenu21 = nullptr;
    QAction *mnuMenu22 = nullptr;
    QAction *mnuMenu311 = nullptr;
    QAction *mnuMenu312 = nullptr;
    QAction *mnuMenu313 = nullptr; // the devices COM1 and COM2 stand for
    QAction *mnuMenu4 = nullptr;
    QAction *mnuMenu5 = nullptr;

    // The five entries of the menu bar, mnuMenu1 to mnuMenu5.
    QList<QAction *> menuBarEntries() const;
    void setMenusEnabled(bool enabled) const;
    QList<QPushButton *> preparationButtons() const { return {cmdMRead, cmdAdjust, cmdUser, cmdMWrite}; }
};

// Builds the controls into `window`: the three labels across the top, the four
// action buttons in a column on the left, the type label and the large action and
// cancel buttons on the right, the progress bar along the bottom.
MainControls buildMainControls(QMainWindow *window);
