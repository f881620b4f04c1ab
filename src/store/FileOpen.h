#pragma once

#include <QFile>
#include <QString>

// Input files opened the safe way on each system: never waiting on a pipe or a device,
// and judged by the handle the open gave rather than by a look at the path before it
// (a pipe put in place after such a look would block the read for ever).
namespace FileOpen {

enum class Kind { Regular, Folder, Other };

// On success `kind` says what the handle is, and for a regular file `file` is open for
// reading on it. False with the system's reason when nothing could be opened.
bool forReading(const QString &path, QFile &file, Kind &kind, QString &systemError);

// False when the name cannot reach the file it stands for: on Linux a name read from
// the file system that is not UTF-8 arrives with U+FFFD in place of its bytes.
bool nameReaches(const QString &path);

} // namespace FileOpen
