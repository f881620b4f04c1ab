#pragma once

#include "Services.h"

#include <QString>

// Cuts every line of an S-record file into a row of `table` with a four-digit
// address field (the boot loader).
bool fncImportMotFile(WindowServices &window, const QString &path, const QString &table);

// As fncImportMotFile, but S2 lines keep their six address digits; drives barMain.
bool fncImportFirmwareFile(WindowServices &window, const QString &path, const QString &table);
