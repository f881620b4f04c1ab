#include "FlashLink.h"

#include "link/LinkTiming.h"

#include <algorithm>

namespace {
constexpr quint8 SyncByte = 0x00;
}

QString waitedText()
{
    return QStringLiteral("%1 s").arg(double(linkTiming().replyLimit.count()) / 1000.0);
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
    m_window.setFailure(QStringLiteral("stopped at the operator's request; the radio must be written again"));
    return true;
}

bool FlashLink::send(const QByteArray &message)
{
    if (m_port.BinWrite(HexText::fromBytes(message)))
        return true;
    m_window.setFailure(m_port.lastError());
    return false;
}

FlashLink::Outcome FlashLink::await(quint8 reply, QDeadlineTimer deadline)
{
    const QString wanted = HexText::fromBytes(QByteArray(1, char(reply)));
    for (;;) {
        m_window.fncWaitCursor();
        if (m_window.cancelRequested())
            return Outcome::Cancelled;
        const QDeadlineTimer slice(std::min<qint64>(deadline.remainingTime(), PollSlice.count()));
        if (m_port.waitForInput(slice)) {
            const QString heard = m_port.BinRead();
            if (heard == wanted)
                return Outcome::Received;
            if (!heard.isEmpty())
                m_lastHeard = heard;
        } else if (m_port.portFailed()) {
            return Outcome::LineLost;
        }
        if (deadline.hasExpired())
            return Outcome::TimedOut;
    }
}

bool FlashLink::report(Outcome outcome, const QString &context)
{
    switch (outcome) {
    case Outcome::Received:
        return true;
    case Outcome::Cancelled:
        stopRequested();
        return false;
    case Outcome::LineLost:
        m_window.setFailure(QStringLiteral("the line to the radio went away %1").arg(context));
        return false;
    case Outcome::TimedOut:
        QString text = QStringLiteral("no answer from the radio %1 (waited %2").arg(context, waitedText());
        if (!m_lastHeard.isEmpty())
            text += QStringLiteral("; last heard %1").arg(m_lastHeard.left(16));
        m_window.setFailure(text + QLatin1Char(')'));
        return false;
    }
    return false;
}

bool FlashLink::exchange(const QByteArray &message, quint8 reply, const QString &context)
{
    m_lastHeard.clear();
    const QDeadlineTimer deadline(linkTiming().replyLimit);
    if (!send(message))
        return false;
    return report(await(reply, deadline), context);
}

bool FlashLink::expect(quint8 reply, const QString &context)
{
    m_lastHeard.clear();
    return report(await(reply, QDeadlineTimer(linkTiming().replyLimit)), context);
}

bool FlashLink::synchronise()
{
    m_lastHeard.clear();
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
        if (outcome != Outcome::TimedOut || deadline.hasExpired())
            return report(outcome, QStringLiteral("to the synchronisation; is it in firmware-write mode?"));
    }
}
