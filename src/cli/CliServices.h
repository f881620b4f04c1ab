#pragma once

#include "Console.h"
#include "log/ServiceRecord.h"
#include "store/Services.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <optional>

// A progress bar on stderr: one redrawn line with percentage, rate and time left
// on a terminal, a few plain lines otherwise, nothing when quiet.
class TerminalProgress : public ProgressSink
{
public:
    explicit TerminalProgress(bool quiet);
    void setLabel(const QString &label) { m_label = label; }
    // Units per step for the rate ("bytes" with the bytes per step).
    void setUnit(const QString &unit, double perStep)
    {
        m_unit = unit;
        m_perStep = perStep;
    }

    void setMinimum(int v) override { m_min = v; }
    void setMaximum(int v) override { m_max = v; }
    void setValue(int v) override;
    int value() const override { return m_value; }
    void setVisible(bool visible) override;
    // Ends the bar's line, so that nothing else shares it.
    void finish();
    // A part that went through whole: the bar at 100 %, then its line ended.
    void complete();

private:
    void draw(bool force);

    bool m_quiet;
    bool m_terminal;
    bool m_visible = false;
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    int m_lastPlainPercent = -1;
    qint64 m_lastDraw = -1;
    QString m_label;
    QString m_unit;
    double m_perStep = 1.0;
    QElapsedTimer m_clock;
};

// The window's services for `brisk`: a working database in a temporary folder (so
// several can run at once, beside the window), the chosen port, the terminal bar,
// and the operator's stop signals.
class CliServices : public WindowServices
{
public:
    CliServices(const QString &settingsText, bool quiet);
    ~CliServices() override;

    // False with a reason when the working database cannot be made.
    bool isValid(QString *reason = nullptr) const;

    QSqlDatabase WorkConnection() override;
    QString settingsText() const override { return m_settings; }
    ProgressSink &barMain() override { return progress; }
    void fncWaitCursor() override {}
    bool cancelRequested() const override { return stopped(); }

    // True once Ctrl-C, SIGTERM or SIGHUP asked the command to stop.
    bool stopped() const { return StopSignals::received() != 0; }

    // Starts the service record of this command's operation (`action` as
    // ServiceAction names it); finish() ends it and appends it to the service log.
    ServiceRecord &startRecord(const char *action);

    // Ends the command: the progress line, the notes, then "Success", "Stopped: ..."
    // or "Failure: reason" (the reason left by the operations when `reason` is
    // empty), and the service record when one was started; a record that cannot
    // be written is said on stderr and changes nothing else. Returns the exit code.
    int finish(bool ok, const QString &reason = {});

    TerminalProgress progress;

private:
    void finishRecord(ServiceRecord::Result result, const QString &reason);

    StopSignals m_signals;
    QTemporaryDir m_dir;
    QString m_connection;
    QString m_settings;
    QString m_problem;
    std::optional<ServiceRecord> m_record;
};
