#pragma once

#include "store/Services.h"

#include <QString>
#include <QTemporaryDir>
#include <QVector>

// Progress as a test sees it: every value the bar took, and its range and visibility.
class RecordingProgress : public ProgressSink
{
public:
    void setMinimum(int) override {}
    void setMaximum(int v) override { maximum = v; }
    void setValue(int v) override
    {
        current = v;
        values.append(v);
    }
    int value() const override { return current; }
    void setVisible(bool v) override { visibility.append(v); }

    int maximum = 100;
    int current = 0;
    QVector<int> values;
    QVector<bool> visibility;
};

// The window's services for a test: a fresh working database in a temporary
// folder, the COM1 settings text (map COM1 to a pty with
// clsBriskHx7730::setPortOverride), a recorded progress bar and a count of
// fncWaitCursor calls.
class RecordingServices : public WindowServices
{
public:
    RecordingServices();
    ~RecordingServices() override;

    bool isValid() const { return m_valid; }

    QSqlDatabase WorkConnection() override;
    QString settingsText() const override { return QString::fromLatin1(SettingsCom1); }
    ProgressSink &barMain() override { return progress; }
    void fncWaitCursor() override { ++waitCursorCalls; }

    // Rows of a table, each as its column values joined by "|", in table order.
    QStringList rows(const QString &table, const QString &orderBy = QString());
    int rowCount(const QString &table);

    RecordingProgress progress;
    int waitCursorCalls = 0;

private:
    QTemporaryDir m_dir;
    QString m_connection;
    bool m_valid = false;
};
