#include "LockOwner.h"

#include <QByteArray>
#include <QCoreApplication>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace LockOwner {

namespace {

#ifdef Q_OS_LINUX
// The program a process runs, as /proc names it; "" when it cannot be read.
QByteArray executableOf(const QByteArray &process)
{
    char target[4096];
    const ssize_t length = ::readlink((process + "/exe").constData(), target, sizeof target);
    if (length <= 0 || size_t(length) >= sizeof target)
        return {};
    QByteArray path(target, length);
    // A program replaced while it runs (an upgrade) is still the same program.
    if (path.endsWith(" (deleted)"))
        path.chop(10);
    return path;
}
#endif

} // namespace

bool runsThisProgram(qint64 pid)
{
#ifdef Q_OS_LINUX
    const QByteArray process = "/proc/" + QByteArray::number(pid);
    struct stat status = {};
    if (::stat(process.constData(), &status) != 0 || status.st_uid != ::geteuid())
        return false;
    const QByteArray program = executableOf(process);
    return !program.isEmpty() && program == executableOf("/proc/self");
#else
    // Without /proc a live process is all that can be told.
    return ::kill(pid_t(pid), 0) == 0;
#endif
}

} // namespace LockOwner
