#pragma once

#include <QObject>

// The signals that ask the program to end (SIGTERM from the session, SIGINT and SIGHUP
// from a terminal) as a Qt signal: the handler only notes the signal, and `received`
// comes from the event loop, where it is safe to close windows and remove files.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // The one instance; the handlers are installed when it is first asked for.
    static TerminationSignals &instance();
    // The last signal received; 0 while none has been.
    static int last();

signals:
    void received(int signal);

private:
    explicit TerminationSignals(QObject *parent);
    void deliver();
};
