#pragma once

#include "store/Services.h"

#include <QString>

// Reads the 600 memory-channel entries into MemoryData.
bool fncMemoryChennelRead(WindowServices &window);
// Writes MemoryData into the radio, merging the two entries of a channel that agree.
bool fncMemoryChennelWrite(WindowServices &window);

// The grouped query the write sends from, without its ORDER BY (the window counts it).
QString memoryGroupQuery();

inline constexpr int MemoryChannelCount = 300; // channel numbers 000 to 299, read in two passes
