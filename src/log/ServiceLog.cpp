#include "ServiceLog.h"

#include "store/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ServiceLog {

namespace {

constexpr auto FileName = "service-log.jsonl";
constexpr qint64 MaxLineBytes = 1 << 20; // far above any record; a longer line is not one

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

} // namespace

QString path()
{
    return QDir(UserFolders::data()).filePath(QLatin1String(FileName));
}

bool append(const QJsonObject &record, QString *reason)
{
    const QString folder = UserFolders::data();
    if (!QDir().mkpath(folder))
        return fail(reason, QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder)));
    // O_NONBLOCK: a FIFO in the log's place fails here instead of waiting for a reader.
    const QByteArray file = QFile::encodeName(path());
    Descriptor fd(::open(file.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644));
    if (fd.get() < 0)
        return fail(
            reason,
            QStringLiteral("cannot open the service log %1: %2").arg(QDir::toNativeSeparators(path()), systemError()));
    struct stat status = {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return fail(reason,
                    QStringLiteral("the service log %1 is not a regular file").arg(QDir::toNativeSeparators(path())));
    // O_APPEND places each write at the end; the lock also keeps out a writer whose
    // line would need more than one write.
    while (::flock(fd.get(), LOCK_EX) != 0)
        if (errno != EINTR)
            return fail(reason, QStringLiteral("cannot lock the service log: %1").arg(systemError()));
    return writeLine(fd.get(), QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n', reason);
}

bool readLines(QByteArrayList &lines, qsizetype count, QString *reason)
{
    lines.clear();
    QFile file(path());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return fail(reason, QStringLiteral("cannot read the service log %1: %2")
                                .arg(QDir::toNativeSeparators(path()), file.errorString()));
    std::deque<QByteArray> kept;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(MaxLineBytes);
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        kept.push_back(line);
        if (count >= 0 && qsizetype(kept.size()) > count)
            kept.pop_front();
    }
    lines = QByteArrayList(kept.begin(), kept.end());
    return true;
}

} // namespace ServiceLog
