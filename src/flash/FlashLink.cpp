#include "FlashLink.h"

#include "link/LinkTiming.h"

#include <algorithm>

namespace {
constexpr quint8 SyncByte = 0x00;
constexpr quint8 Refused = 0x15;
constexpr qsizetype MaxHeard = 12; // quoted as "0x06 0x06 ...": at most 60 characters

QString byteText(quint8 byte)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString bytesText(const QByteArray &bytes)
{
    QStringList parts;
    for (char byte : bytes.right(MaxHeard))
        parts << byteText(quint8(byte));
    return parts.join(QLatin1Char(' '));
}
} // namespace

QString waitedText()
{
    return secondsText(linkTiming().replyLimit);
}

bool FlashLink::open()
{
    if (m_port.CommOpen(m_window.settingsText()))
        return true;
    m_window.setFailure(m_port.lastError());
    return false;
}

bool FlashLink::stopRequested()
{
    if (!m_window.cancelRequested())
        return false;
    m_window.setFailure(tr("stopped at the operator's request: the radio holds part of the firmware "
                           "and must be written again"));
    return true;
}

bool FlashLink::send(const QByteArray &message)
{
    m_sent = message;
    if (m_port.BinWrite(HexText::fromBytes(message)))
        return true;
    m_window.setFailure(m_port.lastError());
    return false;
}

FlashLink::Outcome FlashLink::await(quint8 reply, QDeadlineTimer deadline)
{
    const QString wanted = HexText::fromBytes(QByteArray(1, char(reply)));
    for (;;) {
        if (m_window.cancelRequested())
            return Outcome::Cancelled;
        const QDeadlineTimer slice(std::min<qint64>(deadline.remainingTime(), PollSlice.count()));
        // The reply is taken the moment it arrives, and only then does the window get
        // its turn: a host slow to read would find it run together with what the
        // radio sends next (0xAA right behind the last loader echo).
        const bool arrived = m_port.waitForInput(slice);
        const QString heard = arrived ? m_port.BinRead() : QString();
        m_window.fncWaitCursor();
        if (heard == wanted)
            return Outcome::Received;
        if (!heard.isEmpty()) {
            QByteArray bytes;
            HexText::toBytes(heard, bytes);
            m_heard = (m_heard + bytes).right(MaxHeard);
        } else if (!arrived && m_port.portFailed()) {
            return Outcome::LineLost;
        }
        if (deadline.hasExpired())
            return Outcome::TimedOut;
    }
}

QString FlashLink::advice() const
{
    return tr("check that the radio is in firmware-write mode, the cable and the port %1").arg(m_port.portText());
}

bool FlashLink::report(Outcome outcome, quint8 reply, const QString &what, const QString &refused)
{
    switch (outcome) {
    case Outcome::Received:
        return true;
    case Outcome::Cancelled:
        stopRequested();
        return false;
    case Outcome::LineLost:
        m_window.setFailure(tr("the line to the radio went away after %1: check the cable and the port %2")
                                .arg(what, m_port.portText()));
        return false;
    case Outcome::TimedOut:
        break;
    }
    const bool echo = m_sent.size() == 1 && quint8(m_sent.at(0)) == reply;
    QString text;
    if (m_heard.isEmpty())
        text = tr("the radio stayed silent after %1 (waited %2 for %3): %4")
                   .arg(what, waitedText(), byteText(reply), advice());
    else if (m_heard.size() == 1 && echo)
        text = tr("the radio echoed %1 for %2 (%3): check the cable and the port %4")
                   .arg(byteText(quint8(m_heard.at(0))), byteText(reply), what, m_port.portText());
    else if (m_heard.size() == 1 && quint8(m_heard.at(0)) == Refused)
        text = tr("the radio refused %1 (%2)").arg(refused.isEmpty() ? what : refused, byteText(Refused));
    else
        text = tr("the radio answered something else after %1 (%2 where %3 was due): %4")
                   .arg(what, bytesText(m_heard), byteText(reply), advice());
    m_window.setFailure(text);
    return false;
}

bool FlashLink::exchange(const QByteArray &message, quint8 reply, const QString &what, const QString &refused)
{
    m_heard.clear();
    const QDeadlineTimer deadline(linkTiming().replyLimit);
    if (!send(message))
        return false;
    return report(await(reply, deadline), reply, what, refused);
}

bool FlashLink::expect(quint8 reply, const QString &what)
{
    m_heard.clear();
    m_sent.clear();
    return report(await(reply, QDeadlineTimer(linkTiming().replyLimit)), reply, what);
}

bool FlashLink::synchronise()
{
    m_heard.clear();
    const QDeadlineTimer deadline(linkTiming().replyLimit);
    for (;;) {
        if (!send(QByteArray(1, char(SyncByte))))
            return false;
        // Only once this zero has left the port may the next follow: zeros queued
        // behind it would still be on their way when the radio answers, and would
        // hold up the 0x55 after them.
        m_port.drain();
        const QDeadlineTimer window(std::min<qint64>(deadline.remainingTime(), SyncAnswerWindow.count()));
        const Outcome outcome = await(SyncByte, window);
        if (outcome != Outcome::TimedOut || deadline.hasExpired()) {
            m_sent.clear(); // a zero's answer is not its echo
            return report(outcome, SyncByte, tr("the synchronisation"));
        }
    }
}
