#include "UserFolders.h"

#include <QCoreApplication>
#include <QDir>

#include <windows.h>

namespace UserFolders {

namespace {

const wchar_t *native(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

// A folder itself, not a junction or a link that leads somewhere else.
bool isRealFolder(const QString &folder)
{
    const DWORD attributes = ::GetFileAttributesW(native(QDir::toNativeSeparators(folder)));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

// The user's profile folders are the user's own by their access lists; what is left
// to check is that the place is a folder and not a junction to somewhere else.
bool isPrivate(const QString &folder)
{
    return isRealFolder(folder);
}

// Whether a file can be made there, found by making one: the access lists, not the
// read-only attribute, say whether an installed program's folder can be written.
bool isOwnWritable(const QString &folder)
{
    if (!isRealFolder(folder))
        return false;
    const QString probe =
        QDir(folder).filePath(QStringLiteral(".brisk-write-test-%1").arg(QCoreApplication::applicationPid()));
    const HANDLE handle = ::CreateFileW(native(QDir::toNativeSeparators(probe)), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(handle);
    return true;
}

// %LOCALAPPDATA%\BriskHx7730, beside the service log.
QString runtime(bool *madeForThisRun, QString *reason)
{
    if (madeForThisRun)
        *madeForThisRun = false;
    const QString folder = data();
    QDir().mkpath(folder);
    if (isPrivate(folder))
        return folder;
    if (reason)
        *reason =
            QCoreApplication::translate("UserFolders", "cannot use the folder %1: it is not a folder of this user's")
                .arg(QDir::toNativeSeparators(folder));
    return QString();
}

} // namespace UserFolders
