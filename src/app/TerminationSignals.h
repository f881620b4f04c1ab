#pragma once

#include <functional>

class QObject;

// Calls `stop` on the event loop when the session or a terminal asks the program to end
// (SIGTERM, SIGINT, SIGHUP), for as long as `context` lives.
void onTerminationSignals(QObject *context, const std::function<void()> &stop);
