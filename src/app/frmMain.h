#pragma once

#include "MainControls.h"
#include "StringTable.h"
#include "link/SerialPorts.h"
#include "store/Services.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QMainWindow>

#include <functional>
#include <memory>

class ActionController;
class OperatorDialogs;
class Operations;
class QProgressBar;

// barMain as the operations see it. It lets the window repaint when an operation
// has advanced the bar for a while without calling fncWaitCursor.
class ProgressBarSink : public ProgressSink
{
public:
    explicit ProgressBarSink(QProgressBar *bar) : m_bar(bar) {}
    void setMinimum(int value) override;
    void setMaximum(int value) override;
    void setValue(int value) override;
    int value() const override;
    void setVisible(bool visible) override;

private:
    QProgressBar *m_bar;
    QElapsedTimer m_sincePaint;
};

// Where the window finds what lies beside it, and what it talks through.
struct MainSetup
{
    QString programFolder; // 7730F.REL, ADJ/, HELP/
    StringTable texts;
    Operations *operations = nullptr;
    OperatorDialogs *dialogs = nullptr;
    QString workFolder = {}; // the working database and its lock; empty: the program's folder
    // The serial ports the devices dialog offers; empty: the system's.
    std::function<QList<SerialPortEntry>()> serialPorts = {};
    bool removeWorkFolder = false;  // the work folder was made for this run
    QString workFolderProblem = {}; // why there is no work folder: the window does not start
};

class frmMain : public QMainWindow, public WindowServices
{
    Q_OBJECT

public:
    explicit frmMain(const MainSetup &setup, QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs the start-up sequence. False when the program must end; the operator
    // has been told why, or a signal asked it to end (endedBySignal).
    bool startUp();
    bool endedBySignal() const { return m_endRequested; }

    QSqlDatabase WorkConnection() override;
    QString settingsText() const override;
    ProgressSink &barMain() override { return m_bar; }
    void fncWaitCursor() override;

    // Disables the window and shows the hourglass while an import or a run goes on;
    // the window refuses to close meanwhile.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    void setHourglass(bool on);

    const MainControls &controls() const { return ui; }
    const StringTable &texts() const { return m_setup.texts; }
    Operations &operations() { return *m_setup.operations; }
    OperatorDialogs &dialogs() { return *m_setup.dialogs; }
    QString programFolder() const { return m_setup.programFolder; }
    // The boot-loader file imported at start-up.
    QString bootLoaderPath() const { return m_bootLoaderPath; }
    QString databasePath() const;
    ActionController &actions() { return *m_actions; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void centreOnScreen();
    void setWindowTexts();
    void restorePortChoice();
    void choosePort(bool com1);
    void showPortDevices();
    void openPortDevices();
    bool lockWorkDatabase();
    bool createWorkDatabase();
    void importBootLoader();
    void connectControls();
    void openHelp();
    void showAbout();
    void shutDown();
    void reportStartFailure(const QString &text, const QString &detail);
    void endOnSignal();
    QString whyLockFailed() const;

    MainSetup m_setup;
    MainControls ui;
    ProgressBarSink m_bar;
    std::unique_ptr<ActionController> m_actions;
    std::unique_ptr<QLockFile> m_lock;
    QString m_connectionName;
    QString m_bootLoaderPath;
    bool m_ownsDatabase = false;
    bool m_busy = false;
    bool m_hourglass = false;
    bool m_endRequested = false;
};
