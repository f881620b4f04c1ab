#pragma once

#include <QString>
#include <QtGlobal>

// The working database's file, made by this program and by nothing else: what stood at
// the path (itself, not where a link leads) is removed and a new empty file is made
// there that nobody else can have made or pointed anywhere.
namespace FreshFile {

// Which file on which volume.
struct Identity
{
    quint64 volume = 0;
    quint64 index = 0;
};

enum class Outcome { Made, CannotReplace, CannotCreate, CannotExamine };

// `systemError` says why, for the outcomes other than Made.
Outcome make(const QString &path, Identity &made, QString &systemError);
// The file at `path` itself, not a link, is still the one made.
bool isMade(const QString &path, const Identity &made);

} // namespace FreshFile
