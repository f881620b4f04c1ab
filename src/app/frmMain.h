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
    // During a run the bar also shows the rate on the line and the time left.
    void startRun();
    void stopRun();

private:
    QString runText() const;

    QProgressBar *m_bar;
    QElapsedTimer m_sincePaint;
    QElapsedTimer m_run;
    quint64 m_wireAtStart = 0;
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
    // A run stops at its next poll once the session asked the program to end.
    bool cancelRequested() const override { return m_endRequested; }
    ProgressBarSink &runProgress() { return m_bar; }

    // Disables the window and shows the hourglass while an import or a run goes on;
    // the window refuses to close meanwhile.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    void setHourglass(bool on);

    // The port in use as the operator knows it: "COM1 — /dev/ttyUSB0, FT232R USB UART".
    QString portInUse() const;
    // "Port: " and the port in use, as the status line and the prepared screens say it.
    QString portLine() const;
    // The status line: the port in use and the file the prepared action uses, if any.
    void showStatus(const QString &file = {});

    const MainControls &controls() const { return ui; }
    const StringTable &texts() const { return m_setup.texts; }
    Operations &operations() { return *m_setup.operations; }
    OperatorDialogs &dialogs() { return *m_setup.dialogs; }
    QString programFolder() const { return m_setup.programFolder; }
    // The boot-loader file imported at start-up, and its bytes as they were read then.
    QString bootLoaderPath() const { return m_bootLoaderPath; }
    InputFile bootLoaderInput() const { return m_bootLoaderInput; }
    // Where the boot loader was looked for at start-up, and why it could not be imported
    // ("" when it was).
    QString bootLoaderSearched() const { return m_bootLoaderSearched; }
    QString bootLoaderProblem() const { return m_bootLoaderProblem; }
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
    InputFile m_bootLoaderInput;
    QString m_bootLoaderSearched;
    QString m_bootLoaderProblem;
    bool m_ownsDatabase = false;
    bool m_busy = false;
    bool m_hourglass = false;
    bool m_endRequested = false;
};
