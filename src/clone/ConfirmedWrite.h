#pragma once

#include "TypeRead.h"
#include "link/clsBriskHx7730.h"
#include "store/Services.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QSqlQuery>
#include <QString>

#include <chrono>

// One settings write that the radio confirms. The radio must answer the type
// query before the first command and again after the last; it handles commands in
// order, so the closing answer proves that every command before it arrived. What
// it says in between is collected: "?;" means it refused a command.
class ConfirmedWrite
{
    Q_DECLARE_TR_FUNCTIONS(ConfirmedWrite)

public:
    // How often a wait for the closing answer lets the window paint.
    static constexpr std::chrono::milliseconds PollSlice{25};

    // `what` names the settings in reasons: "menu settings", "memory channels".
    ConfirmedWrite(WindowServices &window, const QString &what) : m_window(window), m_what(what) {}

    // Before the first command: opens the port and asks the type. Later calls do
    // nothing. False, with the reason left, when nothing may be written.
    bool begin();
    clsBriskHx7730 &link() { return m_link; }
    // The radio's answer to the opening type query; null before it came.
    const TypeAnswer *typeAnswer() const { return m_typed ? &m_type : nullptr; }
    // After each command, with what its write returned: false, with the reason
    // left and the port closed, when it could not be sent or the line is gone.
    bool sent(bool written);
    // After each row: false, with the reason left and the port closed, once the
    // operator has asked the write to stop.
    bool stopRequested();
    // After each row of the table: the bar steps and the window paints. False once
    // the operator has asked the write to stop.
    bool rowDone();
    // After the last row: a query that ended on an error rather than at the end of
    // `table` fails the write, whose radio then holds part of the table.
    bool tableReadToEnd(const QSqlQuery &rows, const QString &table);
    // Asks the type again and waits for the answer behind every command sent. True
    // when it came and nothing was refused (or nothing was sent). Closes the port.
    bool finish();

private:
    struct Command
    {
        qint64 end; // bytes written once its last byte was handed to the port
        QString text;
    };

    bool collect();
    void take(const QByteArray &piece);
    QString lastCommandGone() const;
    bool fail(const QString &reason);
    QString refusals() const;
    QString mayHold() const;

    WindowServices &m_window;
    QString m_what;
    clsBriskHx7730 m_link;
    bool m_begun = false;
    bool m_failed = false;
    bool m_closingSent = false;
    bool m_confirmed = false;
    bool m_typed = false;
    TypeAnswer m_type;
    QList<Command> m_commands;
    QByteArray m_received;      // what the radio sent that is not yet cut into answers
    QStringList m_refusedAfter; // for each "?;", the last command that had left the port
};
