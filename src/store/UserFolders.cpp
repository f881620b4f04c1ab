#include "UserFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace UserFolders {

namespace {

// A folder of this user's own in the temporary folder, which all users share:
// made private on first use, and taken only when it is a real folder that this
// user owns and nobody else may enter.
QString privateTemporaryFolder()
{
    const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("BriskHx7730-%1").arg(::getuid()));
    const QByteArray native = QFile::encodeName(path);
    ::mkdir(native.constData(), S_IRWXU);
    struct stat status = {};
    if (::lstat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
        (status.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return path;
    return QDir::tempPath();
}

} // namespace

QString data()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("BriskHx7730"));
}

QString runtime()
{
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtimeDir.isEmpty() ? privateTemporaryFolder() : runtimeDir;
}

} // namespace UserFolders
