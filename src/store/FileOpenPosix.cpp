#include "FileOpen.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileOpen {

bool forReading(const QString &path, QFile &file, Kind &kind, QString &systemError)
{
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        systemError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat status = {};
    const bool known = ::fstat(fd, &status) == 0;
    kind = !known                    ? Kind::Other
           : S_ISREG(status.st_mode) ? Kind::Regular
           : S_ISDIR(status.st_mode) ? Kind::Folder
                                     : Kind::Other;
    // Only a regular file is read: anything else is refused by its kind, unread.
    if (kind != Kind::Regular) {
        ::close(fd);
        return true;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        systemError = file.errorString();
        return false;
    }
    return true;
}

bool nameReaches(const QString &path)
{
    struct stat status = {};
    return !path.contains(QChar::ReplacementCharacter) || ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

} // namespace FileOpen
