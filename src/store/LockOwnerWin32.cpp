#include "LockOwner.h"

#include <QCoreApplication>
#include <QDir>

#include <windows.h>

namespace LockOwner {

namespace {

// The program a running process was started from; "" when it has ended or belongs to
// someone this user may not look at.
QString executableOf(qint64 pid)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return {};
    DWORD code = 0;
    wchar_t path[MAX_PATH * 4];
    DWORD length = DWORD(std::size(path));
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    const bool named = running && ::QueryFullProcessImageNameW(process, 0, path, &length);
    ::CloseHandle(process);
    return named ? QString::fromWCharArray(path, int(length)) : QString();
}

} // namespace

bool runsThisProgram(qint64 pid)
{
    const QString program = executableOf(pid);
    return !program.isEmpty() &&
           program.compare(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()), Qt::CaseInsensitive) == 0;
}

} // namespace LockOwner
