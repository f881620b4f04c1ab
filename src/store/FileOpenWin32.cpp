#include "FileOpen.h"

#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace FileOpen {

namespace {

QString lastSystemError()
{
    return qt_error_string(int(::GetLastError()));
}

Kind kindOf(HANDLE handle)
{
    if (::GetFileType(handle) != FILE_TYPE_DISK)
        return Kind::Other; // a pipe, a console, a COM port or another device
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!::GetFileInformationByHandle(handle, &information))
        return Kind::Other;
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::Regular;
}

} // namespace

bool forReading(const QString &path, QFile &file, Kind &kind, QString &systemError)
{
    // Backup semantics lets a folder be opened too, to be refused as one.
    const HANDLE handle =
        ::CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        systemError = lastSystemError();
        return false;
    }
    kind = kindOf(handle);
    // Only a regular file is read: anything else is refused by its kind, unread.
    if (kind != Kind::Regular) {
        ::CloseHandle(handle);
        return true;
    }
    const int fd = ::_open_osfhandle(intptr_t(handle), _O_RDONLY);
    if (fd < 0) {
        ::CloseHandle(handle);
        systemError = QCoreApplication::translate("FileContents", "cannot use the file's handle");
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::_close(fd);
        systemError = file.errorString();
        return false;
    }
    return true;
}

// Windows names are UTF-16 throughout: every name reaches its file.
bool nameReaches(const QString &)
{
    return true;
}

} // namespace FileOpen
