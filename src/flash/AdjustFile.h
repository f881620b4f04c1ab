#pragma once

#include <QString>

// The ADJUST firmware data file for a market-type code, in the folder "ADJ" beside the program.
QString adjustFileName(int radioType);
// "ADJ" + the platform's separator + the file name, as the operator is told it.
QString adjustRelativeName(int radioType);
