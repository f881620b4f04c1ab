#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t lastSignal = 0;

// A handler may only write; the event loop reads the signal's number.

extern "C" void onSignal(int signal)
{
    lastSignal = signal;
    const char number = char(signal);
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &number, 1);
}

bool installHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : Handled)
        ::sigaction(signal, &action, nullptr);
    return true;
}

int readSignal()
{
    char number = 0;
    return ::read(signalPipe[1], &number, 1) == 1 ? number : 0;
}


} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (!installHandlers())
        return;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::deliver);
}

int TerminationSignals::last()
{
    return lastSignal;
}

void TerminationSignals::deliver()
{
    if (const int signal = readSignal())
        emit received(signal);
}
