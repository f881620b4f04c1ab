#pragma once

#include "store/Services.h"

#include <QString>

// Writes MemoryData and MenuData to a settings file (MR lines, then EX lines).
bool fncExportCsvFile(WindowServices &window, const QString &path);
// Loads a settings file into MemoryData and MenuData.
bool fncImportCsvFile(WindowServices &window, const QString &path);
