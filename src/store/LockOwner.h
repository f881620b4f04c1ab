#pragma once

#include <QtGlobal>

// Who holds a lock: only a running copy of this very program, started by this user,
// keeps another from starting. A lock left by a crash, naming a process id that is now
// another program's, or planted by someone else counts for nothing.
namespace LockOwner {

bool isLiveCopyOfThisProgram(qint64 pid);
// Another process that runs this program for this user, as each system can tell.
bool runsThisProgram(qint64 pid);

} // namespace LockOwner
