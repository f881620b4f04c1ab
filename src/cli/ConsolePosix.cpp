#include "Console.h"

#include <csignal>
#include <cstdio>
#include <iterator>
#include <unistd.h>

namespace {

constexpr int StopSignalNumbers[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t stopSignal = 0;
struct sigaction previousActions[std::size(StopSignalNumbers)];

extern "C" void noteStopSignal(int signal)
{
    stopSignal = signal;
}

} // namespace

bool Console::stderrIsTerminal()
{
    return ::isatty(fileno(stderr)) != 0;
}

// A terminal's encoding is the locale's already.
void Console::matchOutputEncoding()
{
}

StopSignals::StopSignals()
{
    stopSignal = 0;
    struct sigaction action = {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(StopSignalNumbers); ++i)
        sigaction(StopSignalNumbers[i], &action, &previousActions[i]);
}

StopSignals::~StopSignals()
{
    for (size_t i = 0; i < std::size(StopSignalNumbers); ++i)
        sigaction(StopSignalNumbers[i], &previousActions[i], nullptr);
}

int StopSignals::received()
{
    return stopSignal;
}
