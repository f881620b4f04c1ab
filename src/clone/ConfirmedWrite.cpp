#include "ConfirmedWrite.h"

#include "TypeRead.h"
#include "link/LinkTiming.h"
#include "link/RadioAnswer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSqlError>

#include <algorithm>

namespace {
constexpr auto TypeQuery = "TY;";
constexpr QByteArrayView Refusal = "?;";
constexpr char Terminator = ';';
constexpr int RefusalsNamed = 3;
} // namespace

bool ConfirmedWrite::begin()
{
    if (m_begun)
        return !m_failed;
    m_begun = true;
    if (!m_link.CommOpen(m_window.settingsText()))
        return fail(tr("the %1 were not written: %2").arg(m_what, m_link.lastError()));
    // Whatever the radio had queued is no answer to this write.
    m_link.discardInput();
    if (!m_link.TyRead(m_type.P1, m_type.P2))
        return fail(tr("the %1 were not written: %2").arg(m_what, m_link.lastError()));
    m_typed = true;
    m_window.noteRadioType(typeLabel(m_type));
    return true;
}

bool ConfirmedWrite::sent(bool written)
{
    if (!written)
        return fail(tr("the %1 could not all be sent: %2; %3")
                        .arg(m_what, m_link.lastError().isEmpty() ? tr("the port is not open") : m_link.lastError(),
                             mayHold()));
    m_commands.append({m_link.bytesWritten(), m_link.lastCommand()});
    if (!collect())
        return false;
    if (m_link.portFailed())
        return fail(tr("the line to the radio went away while the %1 were sent: check the cable and the "
                       "port %2; %3")
                        .arg(m_what, m_link.portText(), mayHold()));
    return true;
}

bool ConfirmedWrite::stopRequested()
{
    if (!m_window.cancelRequested())
        return false;
    fail(tr("stopped at the operator's request after %1 commands of the %2; %3")
             .arg(m_commands.size())
             .arg(m_what, mayHold()));
    return true;
}

bool ConfirmedWrite::rowDone()
{
    m_window.barMain().step();
    m_window.fncWaitCursor();
    return !stopRequested();
}

bool ConfirmedWrite::tableReadToEnd(const QSqlQuery &rows, const QString &table)
{
    if (!rows.lastError().isValid())
        return true;
    return fail(tr("cannot read %1 to its end, the radio holds part of it: %2").arg(table, rows.lastError().text()));
}

bool ConfirmedWrite::finish()
{
    if (m_failed)
        return false;
    if (!m_link.isOpen())
        return true; // nothing was sent
    if (!m_link.TxtWrite(QLatin1String(TypeQuery)))
        return sent(false);
    m_closingSent = true;
    // The answer comes behind every byte still on its way to the radio.
    const qint64 onTheirWay = m_link.bytesNotOnWire();
    const auto limit = linkTiming().replyLimit + lineTime(onTheirWay);
    const QDeadlineTimer deadline(limit);
    for (bool fine = collect(); !m_confirmed; fine = collect()) {
        if (!fine)
            return false;
        if (m_link.portFailed())
            return fail(tr("the line to the radio went away before it confirmed the %1: check the cable "
                           "and the port %2; %3")
                            .arg(m_what, m_link.portText(), mayHold()));
        if (stopRequested())
            return false;
        if (deadline.hasExpired())
            return fail(tr("the radio did not confirm the %1: no answer to the closing type query "
                           "(TY;, waited %2 for the %3 bytes still on their way): %4; %5")
                            .arg(m_what, secondsText(limit))
                            .arg(onTheirWay)
                            .arg(m_link.normalModeAdvice(), mayHold()));
        m_window.fncWaitCursor();
        m_link.waitForInput(QDeadlineTimer(std::min<qint64>(deadline.remainingTime(), PollSlice.count())));
    }
    m_link.CommClose();
    if (!m_refusedAfter.isEmpty()) {
        m_window.setFailure(refusals());
        return false;
    }
    return true;
}

bool ConfirmedWrite::collect()
{
    m_received += m_link.TxtRead().toLatin1();
    for (qsizetype end = m_received.indexOf(Terminator); end >= 0; end = m_received.indexOf(Terminator)) {
        take(m_received.left(end + 1));
        m_received.remove(0, end + 1);
    }
    // More than the longest answer without its end is no answer at all: a line that
    // floods junk is a fault, not something to hold in memory until the wait is over.
    if (m_received.size() <= RadioAnswer::Mr.maxLength())
        return true;
    return fail(
        QCoreApplication::translate("ConfirmedWrite",
                                    "the radio sent more than an answer holds without ending it (%1): check the cable "
                                    "and the port %2; %3")
            .arg(quotedReceived(m_received), m_link.portText(), mayHold()));
}

// Nothing but a refusal or the closing answer is expected; other text (stray
// bytes, unasked output) proves nothing either way and is let go.
void ConfirmedWrite::take(const QByteArray &piece)
{
    if (piece.endsWith(Refusal))
        m_refusedAfter << lastCommandGone();
    else if (m_closingSent && RadioAnswer::accepts(piece.right(RadioAnswer::Ty.minLength()), RadioAnswer::Ty))
        m_confirmed = true;
}

// The "?;" does not say which command it refuses. The one refused had reached the
// radio before the refusal came back: it is the last command that may have left
// the port by then (all but what the port and the OS still hold), or one before it.
QString ConfirmedWrite::lastCommandGone() const
{
    const qint64 gone = m_link.bytesWritten() - m_link.bytesHeld();
    const auto after = std::upper_bound(m_commands.cbegin(), m_commands.cend(), gone,
                                        [](qint64 bytes, const Command &command) { return bytes < command.end; });
    return after == m_commands.cbegin() ? QString() : std::prev(after)->text;
}

QString ConfirmedWrite::refusals() const
{
    QStringList named;
    for (const QString &command : m_refusedAfter.mid(0, RefusalsNamed))
        named << (command.isEmpty() ? tr("one of the first commands") : tr("%1 or one before it").arg(command));
    if (m_refusedAfter.size() > RefusalsNamed)
        named << tr("%1 more").arg(m_refusedAfter.size() - RefusalsNamed);
    return tr("the radio refused %1 of the %2 commands of the %3 (it answered \"?;\"): %4; check those "
              "entries of the settings file")
        .arg(m_refusedAfter.size())
        .arg(m_commands.size())
        .arg(m_what, named.join(QStringLiteral(", ")));
}

QString ConfirmedWrite::mayHold() const
{
    return tr("the radio may hold some of the %1 commands sent, and its own settings for the rest")
        .arg(m_commands.size());
}

bool ConfirmedWrite::fail(const QString &reason)
{
    m_window.setFailure(reason);
    m_failed = true;
    m_link.CommClose();
    return false;
}
