#include "TerminationSignals.h"

#include <QGuiApplication>
#include <QPointer>
#include <QSessionManager>

namespace {

// As the number SIGTERM has on Linux: the session is ending.
constexpr int SessionEnds = 15;
int lastSignal = 0;

} // namespace

// Windows has no signals for a program with a window: the session's end comes as a
// request to save its data, which stops a run as SIGTERM does on Linux.
TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
        lastSignal = SessionEnds;
        emit received(SessionEnds);
    });
}

int TerminationSignals::last()
{
    return lastSignal;
}

void TerminationSignals::deliver()
{
}
