#pragma once

#include "store/Services.h"

#include <QByteArray>

// Sends the boot loader held in BootPrg to a radio in firmware-write mode.
bool fncTransmitBootProgram(WindowServices &window);

// The boot loader in BootPrg as it would go out: its length in bytes and the rows
// that carry it (S0 left out). False with a reason when it cannot be sent.
bool measureBootProgram(WindowServices &window, int &bytes, int &rows);

// The boot loader's bytes in BootPrg in the order they are sent, without the
// announced length. False with a reason when it cannot be sent.
bool bootProgramBytes(QSqlDatabase db, QByteArray &bytes, QString *reason = nullptr);
