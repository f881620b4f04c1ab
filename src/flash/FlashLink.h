#pragma once

#include "link/clsBriskHx7730.h"
#include "store/Services.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <chrono>

// The port of one firmware-write transfer and its waits: a reply counts only when
// one read brings exactly the expected byte. Waits block on the port and wake at
// least every PollSlice so that the window keeps painting.
class FlashLink
{
    Q_DECLARE_TR_FUNCTIONS(FlashLink)

public:
    static constexpr std::chrono::milliseconds PollSlice{25};
    // How long a synchronisation zero waits for its answer before the next goes out.
    static constexpr std::chrono::milliseconds SyncAnswerWindow{50};

    explicit FlashLink(WindowServices &window) : m_window(window) {}
    ~FlashLink() { close(); }

    bool open();
    void close() { m_port.CommClose(); }

    // Sends `message` and waits for `reply`. `what` names the message in a failure
    // ("frame 17 of block 3 (address 0x002000)"); `refused`, when the radio answers
    // 0x15, says in words what it refused.
    bool exchange(const QByteArray &message, quint8 reply, const QString &what, const QString &refused = {});
    // Waits, without sending, for `reply` after `what`.
    bool expect(quint8 reply, const QString &what);
    // Sends 0x00 until one read brings a single 0x00 back, within the reply limit.
    bool synchronise();
    // A failure reason is set when the operator stopped the transfer.
    bool stopRequested();

private:
    enum class Outcome { Received, TimedOut, LineLost, Cancelled };
    bool send(const QByteArray &message);
    Outcome await(quint8 reply, QDeadlineTimer deadline);
    bool report(Outcome outcome, quint8 reply, const QString &what, const QString &refused = {});
    QString advice() const;

    WindowServices &m_window;
    clsBriskHx7730 m_port;
    QByteArray m_sent;  // the message of the exchange under way
    QByteArray m_heard; // what came instead of the reply, latest last
};

// The reply limit as the operator reads it: "5 s".
QString waitedText();
