#include "LogFileAccess.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LogFileAccess {

namespace {

QString systemErrorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

int fd(const Handle &handle)
{
    return int(handle.native());
}

void fill(const struct stat &info, Status &status)
{
    status = {S_ISREG(info.st_mode), qint64(info.st_size), quint64(info.st_dev), quint64(info.st_ino)};
}

} // namespace

void Handle::close()
{
    if (m_native != Closed)
        ::close(int(m_native));
    m_native = Closed;
}

bool openLockedForAppend(const QString &path, Handle &handle, QString &systemError)
{
    // O_NONBLOCK: a FIFO in the log's place fails instead of waiting for a reader.
    const int opened =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (opened < 0) {
        systemError = systemErrorText();
        return false;
    }
    handle.adopt(opened);
    // O_APPEND places each write at the end; the lock also keeps out a writer whose
    // line would need more than one write, and a rotation under it.
    while (::flock(opened, LOCK_EX) != 0) {
        if (errno != EINTR) {
            systemError = systemErrorText();
            handle.close();
            return false;
        }
    }
    return true;
}

bool statusOf(const Handle &handle, Status &status)
{
    struct stat info = {};
    if (::fstat(fd(handle), &info) != 0)
        return false;
    fill(info, status);
    return true;
}

bool statusAt(const QString &path, Status &status)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    fill(info, status);
    return true;
}

bool writeAll(const Handle &handle, QByteArrayView bytes, QString &systemError)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd(handle), bytes.data() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            systemError = n < 0 ? systemErrorText() : QStringLiteral("nothing was written");
            return false;
        }
        written += n;
    }
    return true;
}

bool truncate(const Handle &handle, qint64 size)
{
    return ::ftruncate(fd(handle), off_t(size)) == 0;
}

bool flushToDisk(const Handle &handle, QString &systemError)
{
    if (::fsync(fd(handle)) == 0)
        return true;
    systemError = systemErrorText();
    return false;
}

bool rename(const QString &from, const QString &to, QString &systemError)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    systemError = systemErrorText();
    return false;
}

Opened openForReading(const QString &path, Handle &handle, QString &systemError)
{
    const int opened = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) {
        systemError = systemErrorText();
        return errno == ENOENT ? Opened::Missing : Opened::Failed;
    }
    handle.adopt(opened);
    return Opened::Yes;
}

bool readAt(const Handle &handle, char *into, qint64 offset, qint64 length, QString &systemError)
{
    for (qint64 done = 0; done < length;) {
        const ssize_t n = ::pread(fd(handle), into + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            systemError = n < 0 ? systemErrorText() : QStringLiteral("the file ended early");
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace LogFileAccess
