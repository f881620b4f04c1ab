#pragma once

#include "link/clsBriskHx7730.h"
#include "store/Services.h"

#include <QSqlQuery>

// The start every read from the radio shares: empty the table it fills and
// prepare its insert, open the port, and silence unasked output with AI0 (which
// also empties the receive queue). False with the reason left on the window.
bool startRead(WindowServices &window, const QString &table, int columns, QSqlQuery &insert, clsBriskHx7730 &link);

// At a read's per-item poll: true, with the reason left, once the operator has
// asked it to stop. `progress` says how far it got ("entry 12 of 600").
bool readStopRequested(WindowServices &window, const QString &progress);
