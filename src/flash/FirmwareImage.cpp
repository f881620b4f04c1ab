#include "FirmwareImage.h"

#include "link/clsBriskHx7730.h"
#include "store/ImageRowReader.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace FirmwareImage {

namespace {

// Column positions of an image table, as created.
enum Column { RecNumber, TypeString, BytesCount, AddressString, CheckSum, DataString };

constexpr int ChecksumBytes = 1;
constexpr int GapsNamed = 10;

QString lineOf(const ImageRowReader &rows)
{
    return QCoreApplication::translate("FirmwareImage", "line %1").arg(rows.integer(RecNumber) + 1);
}

QString hex6(qint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

bool fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

int framesFor(qsizetype bytes)
{
    return bytes == 0 ? 1 : int((bytes + FrameBytes - 1) / FrameBytes);
}

// The bytes of one data record and the place they go.
struct Piece
{
    qint64 address;
    qsizetype offset; // into the decoded bytes of all records
    qsizetype size;
    int line;
};

// Address field size of the rows the program query brings (S3 is refused before).
int addressBytesOf(QByteArrayView type)
{
    return type == "S1" ? 2 : 3;
}

// Decodes the data records of `table` in query order. A record without data
// carries nothing: under the fixed cutting its checksum stands where its first
// data byte would, so it must not be read as one.
bool readPieces(QSqlDatabase db, const QString &table, QByteArray &decoded, QVector<Piece> &pieces, QString *reason)
{
    ImageRowReader rows(db);
    decoded.reserve(FullImageBytes);
    if (!rows.exec(programQuery(table)))
        return fail(reason,
                    QCoreApplication::translate("FirmwareImage", "cannot read %1: %2").arg(table, rows.error()));
    while (rows.next()) {
        const QByteArrayView type = rows.text(TypeString);
        // S3 rows keep only four of their eight address digits: their place is unknown.
        if (type == "S3")
            return fail(
                reason,
                QCoreApplication::translate("FirmwareImage", "%1: S3 records cannot be placed").arg(lineOf(rows)));
        qint64 address = 0;
        qint64 count = 0;
        const bool addressOk = HexText::toNumber(rows.text(AddressString), address);
        const bool countOk = HexText::toNumber(rows.text(BytesCount), count);
        const qsizetype size = count - addressBytesOf(type) - ChecksumBytes;
        const qsizetype offset = decoded.size();
        const bool valid =
            addressOk && countOk && size >= 0 &&
            (size == 0 || (HexText::appendBytes(rows.text(CheckSum), decoded) &&
                           HexText::appendBytes(rows.text(DataString), decoded) && decoded.size() - offset == size));
        if (!valid)
            return fail(reason, QCoreApplication::translate("FirmwareImage", "%1: not a valid %2 record")
                                    .arg(lineOf(rows), type.toByteArray()));
        if (size > 0)
            pieces.append({address, offset, size, rows.integer(RecNumber) + 1});
    }
    if (!rows.error().isEmpty())
        return fail(reason,
                    QCoreApplication::translate("FirmwareImage", "cannot read %1: %2").arg(table, rows.error()));
    return true;
}

// The loader takes whole frames; the short tail is what an erased flash holds anyway.
QByteArray wholeImage(const Stream &stream)
{
    QByteArray image = stream.bytes;
    image.append(QByteArray(FullImageBytes - image.size(), FillByte));
    return image;
}

} // namespace

QString programQuery(const QString &table)
{
    return QStringLiteral("SELECT * FROM ") + table +
           QStringLiteral(" WHERE TypeString = 'S1' OR TypeString = 'S2' OR TypeString = 'S3'") +
           QStringLiteral(" ORDER BY TypeString,AddressString,RecNumber");
}

bool buildStream(QSqlDatabase db, const QString &table, Stream &stream, QString *reason)
{
    stream = {};
    QByteArray decoded;
    QVector<Piece> pieces;
    if (!readPieces(db, table, decoded, pieces, reason))
        return false;
    if (pieces.isEmpty())
        return fail(reason,
                    QCoreApplication::translate("FirmwareImage", "%1 holds no S1 or S2 record with data").arg(table));
    // Placed by address: S1 rows come first in query order even where S2 rows lie below them.
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece &a, const Piece &b) { return a.address < b.address; });
    if (pieces.first().address != 0)
        return fail(reason,
                    QCoreApplication::translate("FirmwareImage", "line %1: the image starts at %2, not at address 0")
                        .arg(pieces.first().line)
                        .arg(hex6(pieces.first().address)));
    int previousLine = 0;
    stream.bytes.reserve(FullImageBytes);
    for (const Piece &piece : pieces) {
        const qint64 end = stream.bytes.size();
        if (piece.address < end)
            return fail(reason,
                        QCoreApplication::translate(
                            "FirmwareImage", "line %1: the record at %2 overlaps the one on line %3, which ends at %4")
                            .arg(piece.line)
                            .arg(hex6(piece.address))
                            .arg(previousLine)
                            .arg(hex6(end - 1)));
        if (piece.address > end)
            stream.gaps.append({end, piece.address - end});
        stream.bytes.append(QByteArray(piece.address - end, FillByte));
        stream.bytes.append(decoded.constData() + piece.offset, piece.size);
        previousLine = piece.line;
    }
    stream.frames = framesFor(stream.bytes.size());
    return true;
}

bool isWholeImage(const Stream &stream, QString *reason)
{
    if (stream.frames != FullImageFrames)
        return fail(reason, QCoreApplication::translate(
                                "FirmwareImage", "the image is %1 frames (%2 bytes from address 0); a firmware image "
                                                 "must be exactly %3 frames (%4 bytes)")
                                .arg(stream.frames)
                                .arg(stream.bytes.size())
                                .arg(FullImageFrames)
                                .arg(FullImageBytes));
    return true;
}

bool loadWritableImage(QSqlDatabase db, const QString &table, QByteArray &image, QString *reason, QVector<Gap> *gaps)
{
    Stream stream;
    if (!buildStream(db, table, stream, reason) || !isWholeImage(stream, reason))
        return false;
    image = wholeImage(stream);
    if (gaps)
        *gaps = stream.gaps;
    return true;
}

QVector<Gap> imageGaps(QSqlDatabase db, const QString &table)
{
    Stream stream;
    return buildStream(db, table, stream, nullptr) ? stream.gaps : QVector<Gap>();
}

QString gapsText(const QVector<Gap> &gaps)
{
    const auto bytes = [](qint64 count) {
        return count == 1 ? QCoreApplication::translate("FirmwareImage", "1 byte")
                          : QCoreApplication::translate("FirmwareImage", "%1 bytes").arg(count);
    };
    QStringList ranges;
    qint64 total = 0;
    for (const Gap &gap : gaps) {
        total += gap.size;
        if (ranges.size() < GapsNamed)
            ranges << QStringLiteral("%1-%2 (%3)")
                          .arg(hex6(gap.address), hex6(gap.address + gap.size - 1), bytes(gap.size));
    }
    if (gaps.size() > GapsNamed)
        ranges << QCoreApplication::translate("FirmwareImage", "and %1 more").arg(gaps.size() - GapsNamed);
    if (gaps.isEmpty())
        return QString();
    if (gaps.size() == 1)
        return QCoreApplication::translate("FirmwareImage",
                                           "the image has a gap below its last data byte, filled with 0xFF: %1")
            .arg(ranges.first());
    return QCoreApplication::translate("FirmwareImage",
                                       "the image has %1 gaps below its last data byte, %2 in all, filled with "
                                       "0xFF: %3")
        .arg(gaps.size())
        .arg(bytes(total), ranges.join(QStringLiteral(", ")));
}

quint8 blockCheck(const QByteArray &blockBytes)
{
    quint8 sum = 0;
    for (char byte : blockBytes)
        sum = quint8(sum + quint8(byte));
    return quint8(~sum);
}

QStringList describe(QSqlDatabase db, const QString &table, bool *writable, QByteArray *image)
{
    QStringList lines;
    Stream stream;
    QString reason;
    const bool built = buildStream(db, table, stream, &reason);
    const bool whole = built && isWholeImage(stream, &reason);
    if (writable)
        *writable = whole;
    if (!built)
        return {QStringLiteral("frames: unknown"), QStringLiteral("can be written: no (%1)").arg(reason)};
    lines << QStringLiteral("frames: %1 (%2 bytes from address 0)").arg(stream.frames).arg(stream.bytes.size());
    int covered = 0;
    for (const Block &block : Layout)
        if (block.firstFrame() + block.frameCount() <= stream.frames)
            ++covered;
    lines << QStringLiteral("blocks: %1 of %2 (8 x 4 KB from 0x000000, 32 KB at 0x008000, 3 x 64 KB from 0x010000)")
                 .arg(covered)
                 .arg(Layout.size());
    if (whole && image)
        *image = wholeImage(stream);
    if (!stream.gaps.isEmpty())
        lines << QStringLiteral("note: ") + gapsText(stream.gaps);
    if (whole)
        lines << QStringLiteral("can be written: yes");
    else
        lines << QStringLiteral("can be written: no (%1)").arg(reason);
    return lines;
}

} // namespace FirmwareImage
