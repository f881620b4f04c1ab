#include "ServiceLog.h"

#include "LogFileAccess.h"
#include "store/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <algorithm>
#include <utility>

namespace ServiceLog {

namespace {

constexpr auto FileName = "service-log.jsonl";
constexpr int MaxAttempts = 4;
constexpr qint64 PieceBytes = 64 * 1024;

bool fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

// Writes the whole line; a line cut short (a full disk) is taken back, so the
// log never holds half a record.
bool writeLine(const LogFileAccess::Handle &log, qint64 sizeBefore, const QByteArray &line, QString *reason)
{
    QString error;
    if (!LogFileAccess::writeAll(log, line, error)) {
        LogFileAccess::Status now;
        if (LogFileAccess::statusOf(log, now) && now.size > sizeBefore && !LogFileAccess::truncate(log, sizeBefore))
            return fail(reason, QStringLiteral("a record was cut short in the service log: %1").arg(error));
        return fail(reason, QStringLiteral("cannot write the service log: %1").arg(error));
    }
    if (!LogFileAccess::flushToDisk(log, error))
        return fail(reason, QStringLiteral("cannot flush the service log to disk: %1").arg(error));
    return true;
}

// The log opened for appending and locked; only a regular file is written to.
bool openLocked(LogFileAccess::Handle &log, LogFileAccess::Status &status, QString *reason)
{
    const QString shown = QDir::toNativeSeparators(path());
    QString error;
    if (!LogFileAccess::openLockedForAppend(path(), log, error))
        return fail(reason, QStringLiteral("cannot open the service log %1: %2").arg(shown, error));
    if (!LogFileAccess::statusOf(log, status) || !status.regular)
        return fail(reason, QStringLiteral("the service log %1 is not a regular file").arg(shown));
    return true;
}

// True when the name still leads to the file `status` describes (not rotated away).
bool isCurrentLog(const LogFileAccess::Status &status)
{
    LogFileAccess::Status named;
    return LogFileAccess::statusAt(path(), named) && named.volume == status.volume && named.index == status.index;
}

// One log file for reading, up to the size it had when opened.
class LogFile
{
public:
    explicit LogFile(const QString &name) : m_name(name) {}

    // A missing file is an empty log; anything but a regular file is refused unread.
    bool open(QString *reason)
    {
        const QString shown = QDir::toNativeSeparators(m_name);
        QString error;
        switch (LogFileAccess::openForReading(m_name, m_file, error)) {
        case LogFileAccess::Opened::Missing:
            return true;
        case LogFileAccess::Opened::Failed:
            return fail(reason, QStringLiteral("cannot read the service log %1: %2").arg(shown, error));
        case LogFileAccess::Opened::Yes:
            break;
        }
        LogFileAccess::Status status;
        if (!LogFileAccess::statusOf(m_file, status) || !status.regular)
            return fail(reason, QStringLiteral("the service log %1 is not a regular file").arg(shown));
        m_size = status.size;
        return true;
    }

    // Where the last `count` lines that are not empty start, read back from the end;
    // `found` says how many there are up to `count`. All lines: 0.
    qint64 startOfLast(qsizetype count, qsizetype &found)
    {
        found = 0;
        if (count < 0)
            return 0;
        QByteArray piece(PieceBytes, Qt::Uninitialized);
        bool inLine = false;
        QString ignored;
        for (qint64 end = m_size; end > 0 && found < count;) {
            const qint64 begin = std::max<qint64>(0, end - PieceBytes);
            if (!LogFileAccess::readAt(m_file, piece.data(), begin, end - begin, ignored))
                return end;
            for (qint64 at = end - 1; at >= begin; --at) {
                const bool newline = piece[at - begin] == '\n';
                if (newline && inLine && ++found == count)
                    return at + 1;
                inLine = !newline;
            }
            end = begin;
        }
        found += inLine;
        return 0;
    }

    // Hands the file from `start` to its end (as opened) to `take`, piece by piece.
    bool streamFrom(qint64 start, const PieceTaker &take, QString *reason)
    {
        QByteArray piece(PieceBytes, Qt::Uninitialized);
        QString error;
        for (qint64 at = start; m_file.isOpen() && at < m_size;) {
            const qint64 length = std::min<qint64>(PieceBytes, m_size - at);
            if (!LogFileAccess::readAt(m_file, piece.data(), at, length, error))
                return fail(
                    reason,
                    QStringLiteral("cannot read the service log %1: %2").arg(QDir::toNativeSeparators(m_name), error));
            for (qsizetype from = 0; from < length;) {
                const qsizetype newline = QByteArrayView(piece.constData(), length).indexOf('\n', from);
                const qsizetype to = newline < 0 ? length : newline;
                const bool last = newline < 0 && at + length == m_size; // a last line without its line end
                take(QByteArrayView(piece.constData() + from, to - from), newline >= 0 || last);
                from = to + (newline >= 0);
            }
            at += length;
        }
        return true;
    }

private:
    QString m_name;
    LogFileAccess::Handle m_file;
    qint64 m_size = 0;
};

} // namespace

QString path()
{
    return QDir(UserFolders::data()).filePath(QLatin1String(FileName));
}

QString oldPath()
{
    return path() + QStringLiteral(".1");
}

bool append(const QJsonObject &record, QString *reason)
{
    const QString folder = UserFolders::data();
    if (!QDir().mkpath(folder))
        return fail(reason, QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder)));
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    // Another process may rotate the log while this one waits for the lock: the line goes
    // where the name leads once the lock is held, in a few tries.
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        LogFileAccess::Handle log;
        LogFileAccess::Status status;
        if (!openLocked(log, status, reason))
            return false;
        if (!isCurrentLog(status))
            continue;
        if (status.size < RotateAtBytes)
            return writeLine(log, status.size, line, reason);
        QString error;
        if (!LogFileAccess::rename(path(), oldPath(), error))
            return fail(reason, QStringLiteral("cannot move the full service log to %1: %2")
                                    .arg(QDir::toNativeSeparators(oldPath()), error));
    }
    return fail(
        reason,
        QStringLiteral("the service log %1 kept changing under this program").arg(QDir::toNativeSeparators(path())));
}

bool readLog(qsizetype count, const PieceTaker &take, QString *reason)
{
    if (count == 0)
        return true;
    LogFile current(path()), old(oldPath());
    if (!current.open(reason) || !old.open(reason))
        return false;
    qsizetype found = 0;
    const qint64 start = current.startOfLast(count, found);
    const bool fromOld = count < 0 || found < count;
    if (fromOld && !old.streamFrom(old.startOfLast(count < 0 ? -1 : count - found, found), take, reason))
        return false;
    return current.streamFrom(start, take, reason);
}

bool readLines(QByteArrayList &lines, qsizetype count, QString *reason)
{
    lines.clear();
    QByteArray line;
    return readLog(
        count,
        [&](QByteArrayView piece, bool lineEnds) {
            line += piece;
            if (lineEnds && !line.isEmpty())
                lines << std::exchange(line, {});
        },
        reason);
}

} // namespace ServiceLog
