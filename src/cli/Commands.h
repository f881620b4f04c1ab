#pragma once

#include <QStringList>

// Exit codes of `brisk`.
inline constexpr int ExitDone = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;
// Stopped by Ctrl-C, SIGTERM or SIGHUP: 128 + the signal's number (130, 143, 129), as a shell reports it.
inline constexpr int ExitStopped = 128;

// Each command takes the whole argument list, the command's name at index 1.
int runCheck(const QStringList &arguments);
int runFlash(const QStringList &arguments);
int runType(const QStringList &arguments);
int runRead(const QStringList &arguments);
int runWrite(const QStringList &arguments);
int runSim(const QStringList &arguments);
int runPorts(const QStringList &arguments);
int runDiff(const QStringList &arguments);
int runLog(const QStringList &arguments);
