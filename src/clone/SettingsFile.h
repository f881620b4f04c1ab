#pragma once

#include "store/Services.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Writes MemoryData and MenuData to a settings file (MR lines, then EX lines).
// The file is replaced only when the whole of it was written.
bool fncExportCsvFile(WindowServices &window, const QString &path);
// Loads a settings file into MemoryData and MenuData. A file with any line that
// is not a well-formed MR or EX line loads nothing: both tables are left empty.
bool fncImportCsvFile(WindowServices &window, const QString &path);

// One line of a settings file as table values: MR lines give the sixteen values
// of a MemoryData row, EX lines the six of a MenuData row (AB, P1 to P5).
struct SettingsRow
{
    int line = 0; // counted from 1
    QStringList values;
};

struct SettingsRows
{
    QList<SettingsRow> memory;
    QList<SettingsRow> menu;
};

// Cuts a whole settings file (Latin-1 bytes) into rows. False with a reason that
// names the first line that is not a well-formed MR or EX line, a field that
// holds ";" or a control character (C0, DEL, C1), an entry number other than 0 or 1,
// or a number field that holds anything but digits; an empty file and one whose last
// line has no line end (cut short) are refused too.
bool parseSettingsText(const QByteArray &bytes, SettingsRows &rows, QString *reason);

// Reads a settings file (at most SettingsFileLimit bytes) and cuts it into rows.
// False with a reason that names the file. `read`, when given, describes the bytes
// read, also when they are refused.
bool readSettingsFile(const QString &path, SettingsRows &rows, QString &reason, InputFile *read = nullptr);
