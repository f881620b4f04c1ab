#pragma once

#include "store/Services.h"

// Reads both menu banks into MenuData.
bool fncMenuRead(WindowServices &window);
// Writes the rows of MenuData into the radio.
bool fncMenuWrite(WindowServices &window);
