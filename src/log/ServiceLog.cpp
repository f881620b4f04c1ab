#include "ServiceLog.h"

#include "store/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Closes the descriptor, and with it the lock, on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Writes the whole line; a line cut short (a full disk) is taken back, so the
// log never holds half a record.
bool writeLine(int fd, const QByteArray &line, QString *reason)
{
    struct stat before = {};
    if (::fstat(fd, &before) != 0)
        return fail(reason, QStringLiteral("cannot examine the service log: %1").arg(systemError()));
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(fd, line.constData() + written, size_t(line.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString error = systemError();
            if (written > 0 && ::ftruncate(fd, before.st_size) != 0)
                return fail(reason, QStringLiteral("a record was cut short in the service log: %1").arg(error));
            return fail(reason, QStringLiteral("cannot write the service log: %1").arg(error));
        }
        written += n;
    }
    if (::fsync(fd) != 0)
        return fail(reason, QStringLiteral("cannot flush the service log to disk: %1").arg(systemError()));
    return true;
}

// ---- POSIX: the log as a descriptor, locked for appending or read from its end

// The log opened for appending and locked. O_NONBLOCK: a FIFO in the log's place
// fails here instead of waiting for a reader.
int openLocked(QString *reason)
{
    const QString shown = QDir::toNativeSeparators(path());
    const int fd =
        ::open(QFile::encodeName(path()).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        fail(reason, QStringLiteral("cannot open the service log %1: %2").arg(shown, systemError()));
        return -1;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        fail(reason, QStringLiteral("the service log %1 is not a regular file").arg(shown));
        return -1;
    }
    // O_APPEND places each write at the end; the lock also keeps out a writer whose
    // line would need more than one write, and a rotation under it.
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            fail(reason, QStringLiteral("cannot lock the service log: %1").arg(systemError()));
            return -1;
        }
    }
    return fd;
}

// True when `fd` is still the file the log's name leads to (not rotated away).
bool isCurrentLog(int fd, struct stat &status)
{
    struct stat named = {};
    return ::fstat(fd, &status) == 0 && ::stat(QFile::encodeName(path()).constData(), &named) == 0 &&
           named.st_dev == status.st_dev && named.st_ino == status.st_ino;
}

// One log file for reading, up to the size it had when opened.
class LogFile
{
public:
    explicit LogFile(const QString &name) : m_name(name) {}
    ~LogFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    // A missing file is an empty log; anything but a regular file is refused unread.
    bool open(QString *reason)
    {
        const QString shown = QDir::toNativeSeparators(m_name);
        m_fd = ::open(QFile::encodeName(m_name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return errno == ENOENT ||
                   fail(reason, QStringLiteral("cannot read the service log %1: %2").arg(shown, systemError()));
        struct stat status = {};
        if (::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode))
            return fail(reason, QStringLiteral("the service log %1 is not a regular file").arg(shown));
        m_size = status.st_size;
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
        for (qint64 end = m_size; end > 0 && found < count;) {
            const qint64 begin = std::max<qint64>(0, end - PieceBytes);
            if (!readAt(piece.data(), begin, end - begin))
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
        for (qint64 at = start; m_fd >= 0 && at < m_size;) {
            const qint64 length = std::min<qint64>(PieceBytes, m_size - at);
            if (!readAt(piece.data(), at, length))
                return fail(reason, QStringLiteral("cannot read the service log %1: %2")
                                        .arg(QDir::toNativeSeparators(m_name), systemError()));
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
    bool readAt(char *into, qint64 offset, qint64 length)
    {
        for (qint64 done = 0; done < length;) {
            const ssize_t n = ::pread(m_fd, into + done, size_t(length - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    QString m_name;
    int m_fd = -1;
    qint64 m_size = 0;
};

// ----

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
        Descriptor fd(openLocked(reason));
        if (fd.get() < 0)
            return false;
        struct stat status = {};
        if (!isCurrentLog(fd.get(), status))
            continue;
        if (status.st_size < RotateAtBytes)
            return writeLine(fd.get(), line, reason);
        if (::rename(QFile::encodeName(path()).constData(), QFile::encodeName(oldPath()).constData()) != 0)
            return fail(reason, QStringLiteral("cannot move the full service log to %1: %2")
                                    .arg(QDir::toNativeSeparators(oldPath()), systemError()));
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
