#include "LogFileAccess.h"

#include <QDir>

#include <windows.h>

namespace LogFileAccess {

namespace {

// The lock is a byte far past any log's end, so readers are never kept out of the
// lines themselves (a Windows lock stops reads of the bytes it covers).
constexpr DWORD LockOffsetHigh = 0x7FFFFFFF;

const wchar_t *native(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

HANDLE handleOf(const Handle &handle)
{
    return reinterpret_cast<HANDLE>(handle.native());
}

QString lastError()
{
    return qt_error_string(int(::GetLastError()));
}

// Every handle lets the others read, write and rename: a rotation renames the log
// while other processes hold it.
HANDLE openShared(const QString &path, DWORD access, DWORD disposition)
{
    return ::CreateFileW(native(QDir::toNativeSeparators(path)), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool statusOfHandle(HANDLE handle, Status &status)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!::GetFileInformationByHandle(handle, &information))
        return false;
    status = {::GetFileType(handle) == FILE_TYPE_DISK && !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY),
              qint64((quint64(information.nFileSizeHigh) << 32) | information.nFileSizeLow),
              information.dwVolumeSerialNumber,
              (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
    return true;
}

} // namespace

// The lock is given back before the handle goes: a writer waiting for it wakes at once.
void Handle::close()
{
    if (m_native == Closed)
        return;
    OVERLAPPED at = {};
    at.OffsetHigh = LockOffsetHigh;
    ::UnlockFileEx(reinterpret_cast<HANDLE>(m_native), 0, 1, 0, &at);
    ::CloseHandle(reinterpret_cast<HANDLE>(m_native));
    m_native = Closed;
}

bool openLockedForAppend(const QString &path, Handle &handle, QString &systemError)
{
    const HANDLE opened = openShared(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (opened == INVALID_HANDLE_VALUE) {
        systemError = lastError();
        return false;
    }
    handle.adopt(reinterpret_cast<qintptr>(opened));
    // Anything but a file on a disk (a pipe, a device) is not locked, only refused.
    if (::GetFileType(opened) != FILE_TYPE_DISK)
        return true;
    OVERLAPPED at = {};
    at.OffsetHigh = LockOffsetHigh;
    if (::LockFileEx(opened, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at))
        return true;
    systemError = lastError();
    handle.close();
    return false;
}

bool statusOf(const Handle &handle, Status &status)
{
    return statusOfHandle(handleOf(handle), status);
}

bool statusAt(const QString &path, Status &status)
{
    const HANDLE opened = openShared(path, 0, OPEN_EXISTING);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const bool known = statusOfHandle(opened, status);
    ::CloseHandle(opened);
    return known;
}

// Under the lock nobody else writes, so the end found is the end written to.
bool writeAll(const Handle &handle, QByteArrayView bytes, QString &systemError)
{
    LARGE_INTEGER none = {};
    if (!::SetFilePointerEx(handleOf(handle), none, nullptr, FILE_END)) {
        systemError = lastError();
        return false;
    }
    for (qsizetype written = 0; written < bytes.size();) {
        DWORD n = 0;
        if (!::WriteFile(handleOf(handle), bytes.data() + written, DWORD(bytes.size() - written), &n, nullptr) ||
            n == 0) {
            systemError = lastError();
            return false;
        }
        written += n;
    }
    return true;
}

bool truncate(const Handle &handle, qint64 size)
{
    LARGE_INTEGER at = {};
    at.QuadPart = size;
    return ::SetFilePointerEx(handleOf(handle), at, nullptr, FILE_BEGIN) && ::SetEndOfFile(handleOf(handle));
}

bool flushToDisk(const Handle &handle, QString &systemError)
{
    if (::FlushFileBuffers(handleOf(handle)))
        return true;
    systemError = lastError();
    return false;
}

bool rename(const QString &from, const QString &to, QString &systemError)
{
    if (::MoveFileExW(native(QDir::toNativeSeparators(from)), native(QDir::toNativeSeparators(to)),
                      MOVEFILE_REPLACE_EXISTING))
        return true;
    systemError = lastError();
    return false;
}

Opened openForReading(const QString &path, Handle &handle, QString &systemError)
{
    const HANDLE opened = openShared(path, GENERIC_READ, OPEN_EXISTING);
    if (opened == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        systemError = qt_error_string(int(error));
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Opened::Missing : Opened::Failed;
    }
    handle.adopt(reinterpret_cast<qintptr>(opened));
    return Opened::Yes;
}

bool readAt(const Handle &handle, char *into, qint64 offset, qint64 length, QString &systemError)
{
    for (qint64 done = 0; done < length;) {
        OVERLAPPED at = {};
        at.Offset = DWORD(quint64(offset + done) & 0xFFFFFFFF);
        at.OffsetHigh = DWORD(quint64(offset + done) >> 32);
        DWORD n = 0;
        if (!::ReadFile(handleOf(handle), into + done, DWORD(length - done), &n, &at) || n == 0) {
            systemError = n == 0 ? QStringLiteral("the file ended early") : lastError();
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace LogFileAccess
