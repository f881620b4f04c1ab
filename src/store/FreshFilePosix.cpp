#include "FreshFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FreshFile {

Outcome make(const QString &path, Identity &made, QString &systemError)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status = {};
    if (::lstat(native.constData(), &status) == 0 && (S_ISDIR(status.st_mode) || ::unlink(native.constData()) != 0))
        return Outcome::CannotReplace;
    // O_EXCL and O_NOFOLLOW: a file or a link put there meanwhile makes this fail.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        systemError = QString::fromLocal8Bit(std::strerror(errno));
        return Outcome::CannotCreate;
    }
    const bool known = ::fstat(fd, &status) == 0;
    systemError = known ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    made = {quint64(status.st_dev), quint64(status.st_ino)};
    ::close(fd);
    return known ? Outcome::Made : Outcome::CannotExamine;
}

bool isMade(const QString &path, const Identity &made)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           quint64(status.st_dev) == made.volume && quint64(status.st_ino) == made.index;
}

} // namespace FreshFile
