#pragma once

#include "link/clsBriskHx7730.h"
#include "store/Services.h"

#include <QSqlQuery>

// The start every read from the radio shares: empty the table it fills and
// prepare its insert, open the port, and silence unasked output with AI0 (which
// also empties the receive queue). False with the reason left on the window.
bool startRead(WindowServices &window, const QString &table, int columns, QSqlQuery &insert, clsBriskHx7730 &link);

// A write command could not be sent: the reason goes to the window.
bool writeFailed(WindowServices &window, const clsBriskHx7730 &link);

// The end every write to the radio shares: its commands count as sent once they
// have left the port, not its buffer.
bool finishWrite(WindowServices &window, clsBriskHx7730 &link);
