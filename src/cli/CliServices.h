#pragma once

#include "store/Services.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

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
    void finish();

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
// several can run at once, beside the window), the chosen port, the terminal bar.
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

    TerminalProgress progress;

private:
    QTemporaryDir m_dir;
    QString m_connection;
    QString m_settings;
    QString m_problem;
};
