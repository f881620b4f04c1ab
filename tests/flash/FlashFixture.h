#pragma once

#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"

// Rows of an image table cut from S-record lines as the import cuts them: an S0
// header, S2 records from address 0 and an S8 end record.
namespace ImageRows {
// Program rows of 16 bytes (rule B: six address digits).
bool storeProgram(QSqlDatabase db, const QString &table, const QByteArray &image);
// Boot loader rows (rule A: four address digits).
bool storeBoot(QSqlDatabase db, const QByteArray &loader);
} // namespace ImageRows

using SRecordFiles::randomBytes;
