#include "FreshFile.h"

#include <QDir>

#include <windows.h>

namespace FreshFile {

namespace {

const wchar_t *native(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

Identity identityOf(HANDLE handle, bool &known)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    known = ::GetFileInformationByHandle(handle, &information) &&
            !(information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    return {information.dwVolumeSerialNumber,
            (quint64(information.nFileIndexHigh) << 32) | quint64(information.nFileIndexLow)};
}

} // namespace

Outcome make(const QString &path, Identity &made, QString &systemError)
{
    const QString name = QDir::toNativeSeparators(path);
    const DWORD attributes = ::GetFileAttributesW(native(name));
    // A link or junction is removed itself, never what it leads to.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !::DeleteFileW(native(name))))
        return Outcome::CannotReplace;
    // CREATE_NEW: whatever was put there meanwhile makes this fail.
    const HANDLE handle = ::CreateFileW(native(name), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        systemError = qt_error_string(int(::GetLastError()));
        return Outcome::CannotCreate;
    }
    bool known = false;
    made = identityOf(handle, known);
    systemError = known ? QString() : qt_error_string(int(::GetLastError()));
    ::CloseHandle(handle);
    return known ? Outcome::Made : Outcome::CannotExamine;
}

bool isMade(const QString &path, const Identity &made)
{
    const HANDLE handle =
        ::CreateFileW(native(QDir::toNativeSeparators(path)), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool known = false;
    const Identity now = identityOf(handle, known);
    ::CloseHandle(handle);
    return known && now.volume == made.volume && now.index == made.index;
}

} // namespace FreshFile
