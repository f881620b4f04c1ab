#pragma once

#include "store/Services.h"

#include <QString>

// Asks the radio for its type and returns its market-type label ("K", "J(S) - EXT", ...).
QString fncTypeRead(WindowServices &window);
