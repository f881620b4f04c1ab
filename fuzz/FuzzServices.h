#pragma once

#include "store/Services.h"
#include "store/WorkDatabase.h"

#include <QCoreApplication>
#include <QTemporaryDir>

// The window's services for a fuzz target: one working database for the whole run.
class FuzzProgress : public ProgressSink
{
public:
    void setMinimum(int) override {}
    void setMaximum(int) override {}
    void setValue(int v) override { m_value = v; }
    int value() const override { return m_value; }
    void setVisible(bool) override {}

private:
    int m_value = 0;
};

class FuzzServices : public WindowServices
{
public:
    FuzzServices()
    {
        WorkDatabase::create(m_dir.filePath(QStringLiteral("fuzz.mdb")));
        WorkDatabase::open(m_dir.filePath(QStringLiteral("fuzz.mdb")), QStringLiteral("fuzz"));
    }
    QSqlDatabase WorkConnection() override { return QSqlDatabase::database(QStringLiteral("fuzz"), false); }
    QString settingsText() const override { return QString::fromLatin1(SettingsCom1); }
    ProgressSink &barMain() override { return m_progress; }
    void fncWaitCursor() override {}
    QString scratchFile() const { return m_dir.filePath(QStringLiteral("input")); }

private:
    QTemporaryDir m_dir;
    FuzzProgress m_progress;
};

// Qt's SQL layer wants an application object.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}
