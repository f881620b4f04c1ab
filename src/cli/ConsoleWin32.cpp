#include "Console.h"

#include <atomic>
#include <cstdio>
#include <io.h>
#include <windows.h>

namespace {

// The POSIX numbers the exit code is made of, as a shell on Linux would report them.
constexpr int Interrupt = 2;  // Ctrl-C, Ctrl-Break
constexpr int Hangup = 1;     // the console window closed
constexpr int Terminate = 15; // the user logs off, the system shuts down
// Windows ends the process once a close, log-off or shut-down handler returns, and
// waits about five seconds for it: the command gets this long to stop and record.
constexpr DWORD EndingGrace = 4500; // ms

std::atomic<int> stopSignal{0};
HANDLE finished = nullptr; // set when the command has ended

BOOL WINAPI noteStopEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        stopSignal = Interrupt;
        return TRUE;
    case CTRL_CLOSE_EVENT:
        stopSignal = Hangup;
        break;
    default:
        stopSignal = Terminate;
        break;
    }
    if (finished)
        ::WaitForSingleObject(finished, EndingGrace);
    return TRUE;
}

} // namespace

bool Console::stderrIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

// A console starts with the OEM code page, while the program writes the ANSI one.
void Console::matchOutputEncoding()
{
    ::SetConsoleOutputCP(::GetACP());
}

StopSignals::StopSignals()
{
    stopSignal = 0;
    finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(noteStopEvent, TRUE);
}

StopSignals::~StopSignals()
{
    if (finished)
        ::SetEvent(finished);
    ::SetConsoleCtrlHandler(noteStopEvent, FALSE);
}

int StopSignals::received()
{
    return stopSignal;
}
