#include "UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace UserFolders {

namespace {

constexpr auto FolderPrefix = "BriskHx7730-";

// The folder as lstat sees it, and folders made private.

// The folder itself, not where a link would lead; false when nothing is there.
bool folderStatus(const QString &folder, struct stat &status)
{
    return ::lstat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid();
}

// mkdir with mode 700; a folder already there is judged by the caller.
void makePrivateFolder(const QString &folder)
{
    ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU);
}

// A new folder under `pattern` (ending in XXXXXX) that no one else can have made.
QString makeUniquePrivateFolder(const QString &pattern, QString *reason)
{
    QByteArray name = QFile::encodeName(pattern);
    if (::mkdtemp(name.data()))
        return QFile::decodeName(name);
    if (reason)
        *reason = QCoreApplication::translate("UserFolders", "cannot make a private folder in %1: %2")
                      .arg(QDir::toNativeSeparators(QDir::tempPath()), QString::fromLocal8Bit(std::strerror(errno)));
    return QString();
}

// A folder of this user's own in the temporary folder, which all users share. The
// name is taken only when it is a real folder of this user's that nobody else may
// enter; anything else there may be another user's trap, and is left alone.
QString privateTemporaryFolder(bool *madeForThisRun, QString *reason)
{
    const QString named = QDir(QDir::tempPath()).filePath(QLatin1String(FolderPrefix) + QString::number(::geteuid()));
    makePrivateFolder(named);
    if (isPrivate(named))
        return named;
    const QString made = makeUniquePrivateFolder(named + QStringLiteral("-XXXXXX"), reason);
    if (madeForThisRun)
        *madeForThisRun = !made.isEmpty();
    return made;
}

} // namespace

bool isPrivate(const QString &folder)
{
    struct stat status = {};
    return folderStatus(folder, status) && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool isOwnWritable(const QString &folder)
{
    struct stat status = {};
    return folderStatus(folder, status) && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
           ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

QString runtime(bool *madeForThisRun, QString *reason)
{
    if (madeForThisRun)
        *madeForThisRun = false;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtimeDir.isEmpty() && isPrivate(runtimeDir) ? runtimeDir : privateTemporaryFolder(madeForThisRun, reason);
}

} // namespace UserFolders
