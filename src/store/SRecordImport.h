#pragma once

#include "Services.h"

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QMap>
#include <QString>

// Cuts every line of an S-record file into a row of `table` with a four-digit
// address field (the boot loader).
bool fncImportMotFile(WindowServices &window, const QString &path, const QString &table);

// As fncImportMotFile, but S2 lines keep their six address digits; drives barMain.
bool fncImportFirmwareFile(WindowServices &window, const QString &path, const QString &table);

// The two ways a line is cut into the columns of an image table. Rule A keeps a
// four-digit address field; rule B, for "S2" lines of firmware files, six.
enum class Cutting { RuleA, RuleB };

// The columns of one row, as views into the line they were cut from.
struct ImageRow
{
    QLatin1StringView TypeString;
    QLatin1StringView BytesCount;
    QLatin1StringView AddressString;
    QLatin1StringView CheckSum;
    QLatin1StringView DataString;
    QLatin1StringView CheckSum2;
};

// Cuts a line (spaces already trimmed) at the rule's fixed positions; a short
// line gives what it has, possibly "".
ImageRow cutLine(QByteArrayView line, Cutting rule);

// What an import saw, for `brisk check`. Counts cover the lines before the
// first problem when there is one.
struct SRecordSummary
{
    int lines = 0;                    // lines of the file, blank ones included
    QMap<QString, int> recordsByType; // as written: "S0", "S2", "s5", ...
    int dataRecords = 0;              // S1/S2 records
    qint64 dataBytes = 0;             // bytes those records carry
    int recordsCarryingNothing = 0;   // data records without data; S8/S9 records with data
    qint64 lowestAddress = -1;        // first data byte; -1 without data records
    qint64 highestAddress = -1;       // last data byte
    QString problem;                  // the first problem, "" when clean
};

// How a file is imported: as the boot loader (fncImportMotFile, rule A for every
// line) or as a firmware image (fncImportFirmwareFile, rule B for "S2" lines).
enum class ImportMode { Boot, Firmware };

// The import behind both procedures; fills `summary` when given.
bool importSRecordFile(WindowServices &window, const QString &path, const QString &table, ImportMode mode,
                       SRecordSummary *summary = nullptr);
