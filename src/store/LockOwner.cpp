#include "LockOwner.h"

#include <QCoreApplication>

namespace LockOwner {

bool isLiveCopyOfThisProgram(qint64 pid)
{
    if (pid <= 0)
        return false;
    return pid == QCoreApplication::applicationPid() || runsThisProgram(pid);
}

} // namespace LockOwner
