#pragma once

#include "FileContents.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Progress of a long operation. The window draws it as its progress bar `barMain`,
// the command line as a terminal bar, tests record it.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void setMinimum(int value) = 0;
    virtual void setMaximum(int value) = 0;
    virtual void setValue(int value) = 0;
    virtual int value() const = 0;
    virtual void setVisible(bool visible) = 0;
    void step() { setValue(value() + 1); }
};

// What the operations read "through the window": the database connection, the
// port choice, the progress bar and the busy cursor. Operations keep no state of
// their own between calls; they also leave a one-line reason when they fail.
class WindowServices
{
public:
    virtual ~WindowServices() = default;

    virtual QSqlDatabase WorkConnection() = 0;
    // "COM1: baud=9600 parity=n data=8 stop=1" or the COM2 one, from the port choice.
    virtual QString settingsText() const = 0;
    virtual ProgressSink &barMain() = 0;
    // Lets pending events run and keeps the busy cursor.
    virtual void fncWaitCursor() = 0;
    // True once the operator has asked a long operation to stop (Ctrl-C in `brisk`);
    // the window never asks, a running action cannot be cancelled there.
    virtual bool cancelRequested() const { return false; }

    void setFailure(const QString &reason) { m_failure = reason; }
    void clearFailure() { m_failure.clear(); }
    QString failureReason() const { return m_failure; }

    // What the operator must know about a run besides its outcome ("left out 2 menu
    // settings ..."); shown with the result, whichever it is.
    void addNote(const QString &note) { m_notes << note; }
    QStringList notes() const { return m_notes; }
    void clearNotes() { m_notes.clear(); }

    // What operations learnt on their way, for the service record: each input file
    // as they read it, and the type label of the radio's last valid type answer.
    void noteInput(const InputFile &file) { m_inputs << file; }
    QList<InputFile> inputs() const { return m_inputs; }
    void noteRadioType(const QString &label) { m_radioType = label; }
    QString radioTypeSeen() const { return m_radioType; }
    void clearSeen()
    {
        m_inputs.clear();
        m_radioType.clear();
    }

private:
    QString m_failure;
    QStringList m_notes;
    QList<InputFile> m_inputs;
    QString m_radioType;
};

// Settings texts of the two ports, as the radio operations open them.
inline constexpr auto SettingsCom1 = "COM1: baud=9600 parity=n data=8 stop=1";
inline constexpr auto SettingsCom2 = "COM2: baud=9600 parity=n data=8 stop=1";
