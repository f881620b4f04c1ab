#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The most Brisk reads of each kind of file. A firmware image of 256 KB takes
// about 600 KB as S-records and a full settings file about 40 KB, so anything
// past these is not such a file.
inline constexpr qint64 SRecordFileLimit = 64 * 1024 * 1024;
inline constexpr qint64 SettingsFileLimit = 1024 * 1024;

// Whether `path` reaches the file system as the name it stands for. A name read from
// the file system that is not UTF-8 (a file dialog lists it) comes with U+FFFD in place
// of its bytes, and under that name there is another file or none: such a name is
// refused, with a reason, rather than read from or saved to the wrong place.
bool isNameKept(const QString &path, QString &reason);

// Reads a whole regular file as bytes, at most `limit` of them. False with a
// reason naming the file otherwise: a device, a pipe or a folder is refused
// unread (it may never end, or block until someone writes to it), and a file
// larger than the limit is refused, not cut.
bool readWholeFile(const QString &path, QByteArray &contents, QString &reason, qint64 limit);

// An input file as it was read: the bytes an operation used, which the file on
// disk may no longer hold by the time a record is written.
struct InputFile
{
    QString path; // absolute
    qint64 size = 0;
    QByteArray sha256; // hexadecimal, lower case
    QDateTime readAt;  // UTC

    bool isValid() const { return !path.isEmpty(); }
    static InputFile of(const QString &path, const QByteArray &contents);
};
