#pragma once

#include "store/Services.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

// Sends the boot loader held in BootPrg to a radio in firmware-write mode.
bool fncTransmitBootProgram(WindowServices &window);

// The boot loader in BootPrg as it would go out: its length in bytes and the rows
// that carry it (S0 left out). False with a reason when it cannot be sent.
bool measureBootProgram(WindowServices &window, int &bytes, int &rows);

// The boot loader in BootPrg as the transfer sends it: its bytes in the order
// they go out. False with a reason when it cannot be sent.
bool loadBootProgram(QSqlDatabase db, QByteArray &bytes, QString *reason);
