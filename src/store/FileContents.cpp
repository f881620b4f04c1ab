#include "FileContents.h"

#include "FileOpen.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 ReadChunk = 1024 * 1024;
constexpr qint64 BytesPerMegabyte = 1024 * 1024;

} // namespace

bool isNameKept(const QString &path, QString &reason)
{
    if (FileOpen::nameReaches(path))
        return true;
    reason = QCoreApplication::translate(
                 "FileContents", "cannot use %1: its name is not valid UTF-8, and Brisk keeps a file name as the bytes "
                                 "it is or not at all; rename the file (or its folder)")
                 .arg(QDir::toNativeSeparators(path));
    return false;
}

bool readWholeFile(const QString &path, QByteArray &contents, QString &reason, qint64 limit)
{
    contents.clear();
    if (!isNameKept(path, reason))
        return false;
    const QString shown = QDir::toNativeSeparators(path);
    QFile file;
    FileOpen::Kind kind = FileOpen::Kind::Other;
    QString systemError;
    if (!FileOpen::forReading(path, file, kind, systemError)) {
        reason = QCoreApplication::translate("FileContents", "cannot read %1: %2").arg(shown, systemError);
        return false;
    }
    if (kind != FileOpen::Kind::Regular) {
        reason = kind == FileOpen::Kind::Folder
                     ? QCoreApplication::translate("FileContents", "cannot read %1: it is a folder").arg(shown)
                     : QCoreApplication::translate("FileContents",
                                                   "cannot read %1: it is not a regular file (a device or a pipe)")
                           .arg(shown);
        return false;
    }
    const QString tooLarge =
        QCoreApplication::translate("FileContents",
                                    "cannot read %1: it is larger than %2 MB, too large for this kind of file")
            .arg(shown)
            .arg(limit / BytesPerMegabyte);
    if (file.size() > limit) {
        reason = tooLarge;
        return false;
    }
    // In pieces up to one byte past the limit, so that a file growing while
    // it is read is refused too and memory never holds more than the limit.
    contents.reserve(qMin(file.size(), limit) + 1);
    while (contents.size() <= limit) {
        const QByteArray piece = file.read(qMin(ReadChunk, limit + 1 - contents.size()));
        if (piece.isEmpty())
            break;
        contents += piece;
    }
    if (file.error() != QFileDevice::NoError) {
        reason = QCoreApplication::translate("FileContents", "cannot read %1: %2").arg(shown, file.errorString());
        contents.clear();
        return false;
    }
    if (contents.size() > limit) {
        reason = tooLarge;
        contents.clear();
        return false;
    }
    return true;
}

InputFile InputFile::of(const QString &path, const QByteArray &contents)
{
    return {QFileInfo(path).absoluteFilePath(), contents.size(),
            QCryptographicHash::hash(contents, QCryptographicHash::Sha256).toHex(), QDateTime::currentDateTimeUtc()};
}
