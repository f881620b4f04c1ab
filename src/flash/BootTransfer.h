#pragma once

#include "store/Services.h"

// Sends the boot loader held in BootPrg to a radio in firmware-write mode.
bool fncTransmitBootProgram(WindowServices &window);
