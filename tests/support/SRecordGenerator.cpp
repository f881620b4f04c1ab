#include "SRecordGenerator.h"

#include "SRecordFiles.h"

#include <QRandomGenerator>

#include <algorithm>

namespace SRecordGenerator {

namespace {

constexpr qint64 ImageBytes = 0x40000;
constexpr qint64 FrameBytes = 128;
constexpr qint64 MaxLoaderBytes = 0xFFFF;

int addressBytes(char type)
{
    return type == '2' || type == '6' || type == '8' ? 3 : type == '3' || type == '7' ? 4 : 2;
}

bool isData(char type)
{
    return type >= '1' && type <= '3';
}

// A row's DataString holds at most 50 characters: what stands after six address
// digits for an image's S2 lines, after four for every other line.
int maxDataBytes(Target target, char type)
{
    return target == Target::Image && type == '2' ? 26 : 28 - addressBytes(type);
}

int between(QRandomGenerator &random, int low, int high)
{
    return low + int(random.bounded(high - low + 1));
}

bool chance(QRandomGenerator &random, int percent)
{
    return int(random.bounded(100)) < percent;
}

QByteArray randomBytes(QRandomGenerator &random, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

QByteArray headerText(QRandomGenerator &random)
{
    QByteArray text(chance(random, 8) ? between(random, 27, 40) : between(random, 0, 26), Qt::Uninitialized);
    for (char &c : text)
        c = char(between(random, 0x20, 0x7E));
    return text;
}

// The step to the next record: none most of the time, else of any size up to
// most of the image, with the sizes where a count or a frame turns over.
qint64 gapSize(QRandomGenerator &random, int contiguousPercent)
{
    static constexpr qint64 Edges[] = {1, 127, 128, 129, 4095, 32767, 32768, 65535, 65536};
    if (chance(random, contiguousPercent))
        return 0;
    if (chance(random, 5))
        return Edges[random.bounded(int(std::size(Edges)))];
    const int bits = between(random, 0, 17);
    return (qint64(1) << bits) + random.bounded(1 << bits);
}

// Records from `start` to `end`, each of 1 to `maxSize` bytes.
QList<Record> run(QRandomGenerator &random, qint64 start, qint64 end, int maxSize, int contiguousPercent)
{
    QList<Record> records;
    for (qint64 at = start; at < end;) {
        const qint64 size = std::min<qint64>(between(random, 1, maxSize), end - at);
        records.append({'2', quint32(at), randomBytes(random, size)});
        at += size;
        if (at < end) // the last record still ends the run
            at += std::min(gapSize(random, contiguousPercent), end - at - 1);
    }
    return records;
}

QList<Record> imageData(QRandomGenerator &random)
{
    // Full images mostly, at and around the edges of 2,048 frames too.
    static constexpr qint64 Edges[] = {ImageBytes - FrameBytes, ImageBytes - FrameBytes + 1, ImageBytes - 1,
                                       ImageBytes + 1};
    const int size = int(random.bounded(100));
    const qint64 end = size < 40   ? ImageBytes
                       : size < 50 ? Edges[random.bounded(int(std::size(Edges)))]
                       : size < 85 ? between(random, ImageBytes - FrameBytes + 1, ImageBytes - 1)
                       : size < 93 ? between(random, 1, ImageBytes - FrameBytes)
                                   : between(random, ImageBytes + 1, ImageBytes + 4096);
    const qint64 start =
        chance(random, 5) ? std::min<qint64>(chance(random, 40) ? 1 : between(random, 2, 4096), end - 1) : 0;
    const int spread = int(random.bounded(100));
    const int contiguous = spread < 3 ? 99 : spread < 50 ? 90 : 60;
    QList<Record> records = run(random, start, end, 26, contiguous);
    // S1 below 64 KB as some tools write it, or S1 and S2 mixed at random there.
    const int s1 = int(random.bounded(100));
    for (Record &record : records)
        if (record.address <= 0xFFFF &&
            (s1 < 25 ? record.address + record.data.size() <= 0x10000 : s1 < 45 && chance(random, 50)))
            record.type = '1';
    return records;
}

QList<Record> loaderData(QRandomGenerator &random)
{
    const int size = int(random.bounded(100));
    const qint64 bytes = size < 10   ? 0
                         : size < 70 ? between(random, 1, 2048)
                         : size < 90 ? between(random, 2049, 16384)
                         : size < 95 ? between(random, MaxLoaderBytes - 5000, MaxLoaderBytes)
                                     : between(random, MaxLoaderBytes + 1, MaxLoaderBytes + 500);
    const qint64 start = chance(random, 50) ? 0 : random.bounded(0xFE0000);
    QList<Record> records = run(random, start, start + bytes, 25, 100);
    if (records.size() >= 3 && chance(random, 6)) // a gap: a record in the middle left out
        records.removeAt(between(random, 1, int(records.size()) - 2));
    return records;
}

// A record with data, picked at random; nullptr when there is none.
Record *someDataRecord(QList<Record> &records, QRandomGenerator &random)
{
    QList<Record *> candidates;
    for (Record &record : records)
        if (isData(record.type) && !record.data.isEmpty())
            candidates.append(&record);
    return candidates.isEmpty() ? nullptr : candidates.at(random.bounded(int(candidates.size())));
}

// Records that carry nothing, overlaps, and records Brisk refuses.
void plantOddRecords(QList<Record> &records, Target target, QRandomGenerator &random)
{
    if (chance(random, 30))
        for (int i = between(random, 1, 3); i > 0; --i) {
            const bool s1 = target == Target::Image && chance(random, 50);
            records.append({s1 ? '1' : '2', quint32(random.bounded(s1 ? 0x10000 : 0x1000000)), {}});
        }
    if (const Record *base = someDataRecord(records, random); base && chance(random, 8)) {
        // Over the last byte or the first one more often; the same bytes again
        // (srec_cat calls that redundant) or other ones.
        const int size = int(base->data.size());
        const int from = chance(random, 40) ? size - 1 : chance(random, 25) ? 0 : int(random.bounded(size));
        Record extra{'2', base->address + quint32(from), {}};
        extra.data = chance(random, 50) ? base->data.mid(from) : randomBytes(random, between(random, 1, 25));
        records.append(extra);
    }
    if (Record *record = someDataRecord(records, random); record && chance(random, 2))
        record->type = '3';
    if (Record *record = someDataRecord(records, random); record && chance(random, 3))
        record->data += randomBytes(random, maxDataBytes(target, record->type) + 1 - record->data.size());
    if (Record *record = someDataRecord(records, random); record && target == Target::Loader && chance(random, 3)) {
        record->type = '1';
        record->address &= 0xFFFF;
    }
}

void shuffle(QList<Record> &records, QRandomGenerator &random)
{
    for (qsizetype i = records.size() - 1; i > 0; --i)
        records.swapItemsAt(i, random.bounded(int(i + 1)));
}

void order(QList<Record> &records, QRandomGenerator &random)
{
    const auto byAddress = [](const Record &a, const Record &b) { return a.address < b.address; };
    std::stable_sort(records.begin(), records.end(), byAddress);
    const int roll = int(random.bounded(100));
    if (roll < 40 || records.size() < 2)
        return;
    if (roll < 55)
        std::reverse(records.begin(), records.end());
    else if (roll < 80)
        shuffle(records, random);
    else
        for (qsizetype swaps = records.size() / 10 + 1; swaps > 0; --swaps)
            records.swapItemsAt(random.bounded(int(records.size())), random.bounded(int(records.size())));
}

int dataRecordsBefore(const QList<Record> &records, qsizetype at)
{
    return int(std::count_if(records.begin(), records.begin() + at, [](const Record &r) { return isData(r.type); }));
}

// The header, count and end records around the data.
void frame(QList<Record> &records, QRandomGenerator &random)
{
    if (chance(random, 30)) {
        const qsizetype at = chance(random, 80) ? records.size() : random.bounded(int(records.size()) + 1);
        const int before = dataRecordsBefore(records, at);
        int count = before;
        if (chance(random, 20))
            count =
                before > 0 && chance(random, 50) ? before - between(random, 1, before) : before + between(random, 1, 5);
        records.insert(at, {count > 0xFFFF || chance(random, 30) ? '6' : '5', quint32(count), {}});
    }
    const int end = int(random.bounded(100));
    if (end < 85) {
        const char type = chance(random, 50) ? '8' : '9';
        records.append({type, quint32(random.bounded(type == '8' ? 0x1000000 : 0x10000)),
                        chance(random, 20) ? randomBytes(random, between(random, 1, 4)) : QByteArray()});
    } else if (end < 88) {
        records.append({'7', 0, {}});
    }
    if (chance(random, 85))
        records.prepend({'0', 0, headerText(random)});
    if (chance(random, 5))
        records.insert(random.bounded(int(records.size()) + 1), {'0', 0, headerText(random)});
    if (chance(random, 5))
        shuffle(records, random);
}

struct Piece
{
    qint64 address;
    qint64 end;
    int line;
};

QList<Piece> piecesOf(const QList<Record> &records, QByteArrayView types)
{
    QList<Piece> pieces;
    for (const Record &record : records)
        if (types.contains(record.type) && !record.data.isEmpty())
            pieces.append({record.address, record.address + record.data.size(), record.line});
    std::sort(pieces.begin(), pieces.end(), [](const Piece &a, const Piece &b) {
        return a.address != b.address ? a.address < b.address : a.line < b.line;
    });
    return pieces;
}

Refusal refusal(const QString &name, const QString &pattern, const QList<qint64> &allowed)
{
    return {name, QRegularExpression(pattern), allowed};
}

Refusal lineRefusal(const QString &name, const QString &text, int line)
{
    return refusal(name, QStringLiteral("^line (\\d+): ") + text, {line});
}

// Lines of records that share a byte with another record.
QList<qint64> overlappingLines(const QList<Piece> &pieces)
{
    QList<qint64> lines;
    QList<Piece> open;
    for (const Piece &piece : pieces) {
        open.removeIf([&](const Piece &p) { return p.end <= piece.address; });
        if (!open.isEmpty()) {
            lines.append(piece.line);
            for (const Piece &p : open)
                lines.append(p.line);
        }
        open.append(piece);
    }
    return lines;
}

QList<Refusal> imageRefusals(const QList<Record> &records)
{
    const QList<Piece> pieces = piecesOf(records, "12");
    if (pieces.isEmpty())
        return {refusal(QStringLiteral("no data"), QStringLiteral("holds no S1 or S2 record with data"), {})};
    QList<Refusal> refusals;
    QList<qint64> lowest;
    qint64 end = 0;
    for (const Piece &piece : pieces) {
        if (piece.address == pieces.first().address)
            lowest.append(piece.line);
        end = std::max(end, piece.end);
    }
    if (pieces.first().address != 0)
        refusals << refusal(QStringLiteral("not from address 0"),
                            QStringLiteral("^line (\\d+): the image starts at 0x[0-9A-F]{6}, not at address 0$"),
                            lowest);
    if (const QList<qint64> lines = overlappingLines(pieces); !lines.isEmpty())
        refusals << refusal(QStringLiteral("overlap"),
                            QStringLiteral("^line (\\d+): the record at 0x[0-9A-F]{6} overlaps the one on line (\\d+), "
                                           "which ends at 0x[0-9A-F]{6}$"),
                            lines);
    if (const qint64 frames = (end + FrameBytes - 1) / FrameBytes; frames != ImageBytes / FrameBytes)
        refusals << refusal(QStringLiteral("not 2,048 frames"), QStringLiteral("^the image is (\\d+) frames"),
                            {frames});
    return refusals;
}

QList<Refusal> loaderRefusals(const QList<Record> &records)
{
    if (records.isEmpty()) // an empty table; a header alone is a loader of 0 bytes
        return {refusal(QStringLiteral("no loader"), QStringLiteral("^no boot loader: BootPrg is empty$"), {})};
    const QList<Piece> pieces = piecesOf(records, "2");
    QList<Refusal> refusals;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const Piece &piece = pieces.at(i);
        if (piece.address == pieces.at(i - 1).end)
            continue;
        const bool gap = piece.address > pieces.at(i - 1).end;
        const QString what = gap ? QStringLiteral("leaves a gap after") : QStringLiteral("overlaps");
        refusals << refusal(gap ? QStringLiteral("loader gap") : QStringLiteral("loader overlap"),
                            QStringLiteral("^boot loader line (\\d+): the record at 0x[0-9A-F]{6} %1 the one on line "
                                           "(\\d+), which ends at 0x[0-9A-F]{6}$")
                                .arg(what),
                            {piece.line, pieces.at(i - 1).line});
        break;
    }
    qint64 bytes = 0;
    for (const Piece &piece : pieces)
        bytes += piece.end - piece.address;
    if (bytes > MaxLoaderBytes)
        refusals << refusal(QStringLiteral("loader over 65,535 bytes"),
                            QStringLiteral("^the boot loader is (\\d+) bytes; at most 65535 can be announced$"),
                            {bytes});
    return refusals;
}

} // namespace

QByteArray writeText(QList<Record> &records, QRandomGenerator &random)
{
    const int ends = int(random.bounded(100));   // LF, CR LF, or either line by line
    const int digits = int(random.bounded(100)); // upper, lower, or either digit by digit
    const bool blankLines = chance(random, 20);
    const bool spaces = chance(random, 20);
    const bool lastLineEnded = chance(random, 90);
    const auto lineEnd = [&] { return ends < 45 || (ends >= 90 && chance(random, 50)) ? "\n" : "\r\n"; };
    static constexpr const char *Blanks[] = {"", " ", "\r", "  \r"};

    QByteArray text;
    int line = 0;
    for (Record &record : records) {
        QByteArray body = SRecordFiles::line(record.type, record.address, record.data);
        for (qsizetype i = 2; i < body.size(); ++i)
            if (digits >= 50 && (digits < 70 || chance(random, 50)))
                body[i] = char(QChar::toLower(uint(uchar(body[i]))));
        if (spaces && chance(random, 20))
            body.prepend(QByteArray(between(random, 1, 3), ' '));
        if (spaces && chance(random, 20))
            body.append(QByteArray(between(random, 1, 3), ' '));
        text += body;
        record.line = ++line;
        if (&record == &records.last()) {
            if (lastLineEnded)
                text += lineEnd();
            break;
        }
        text += lineEnd();
        while (blankLines && chance(random, 10)) {
            text += QByteArray(Blanks[random.bounded(4)]) + lineEnd();
            ++line;
        }
    }
    return text;
}

File generate(Target target, quint32 seed)
{
    QRandomGenerator random(seed);
    File file;
    file.target = target;
    file.records = target == Target::Image ? imageData(random) : loaderData(random);
    plantOddRecords(file.records, target, random);
    order(file.records, random);
    frame(file.records, random);
    file.text = writeText(file.records, random);
    return file;
}

QList<Refusal> refusalsFor(const File &file)
{
    int dataRecords = 0;
    for (const Record &record : file.records) {
        if (record.type == '3' || record.type == '7')
            return {lineRefusal(QStringLiteral("S3/S7"), QStringLiteral("S[37] record refused: 32-bit"), record.line)};
        if (file.target == Target::Loader && record.type == '1')
            return {lineRefusal(QStringLiteral("S1 in a loader"),
                                QStringLiteral("S1 record refused in the boot loader"), record.line)};
        if (record.data.size() > maxDataBytes(file.target, record.type))
            return {lineRefusal(QStringLiteral("too long to store"), QStringLiteral("record too long to store"),
                                record.line)};
        if ((record.type == '5' || record.type == '6') && !record.data.isEmpty())
            return {lineRefusal(QStringLiteral("count with more bytes"),
                                QStringLiteral("S[56] record refused: bytes after its count"), record.line)};
        if ((record.type == '5' || record.type == '6') && record.address != quint32(dataRecords))
            return {lineRefusal(QStringLiteral("record count"), QStringLiteral("record count says"), record.line)};
        dataRecords += isData(record.type);
    }
    return file.target == Target::Image ? imageRefusals(file.records) : loaderRefusals(file.records);
}

bool reasonFits(const QString &reason, const QList<Refusal> &refusals, QString *name)
{
    for (const Refusal &refusal : refusals) {
        const QRegularExpressionMatch match = refusal.pattern.match(reason);
        bool fits = match.hasMatch();
        for (int i = 1; fits && i <= match.lastCapturedIndex(); ++i)
            fits = refusal.allowed.contains(match.captured(i).toLongLong());
        if (fits) {
            if (name)
                *name = refusal.name;
            return true;
        }
    }
    return false;
}

QByteArray expectedBytes(const File &file)
{
    if (file.target == Target::Loader) {
        QByteArray loader;
        QList<const Record *> records;
        for (const Record &record : file.records)
            if (record.type == '2')
                records.append(&record);
        std::stable_sort(records.begin(), records.end(),
                         [](const Record *a, const Record *b) { return a->address < b->address; });
        for (const Record *record : records)
            loader += record->data;
        return loader;
    }
    QByteArray image(ImageBytes, char(0xFF));
    for (const Record &record : file.records)
        if ((record.type == '1' || record.type == '2') && record.address + record.data.size() <= ImageBytes)
            image.replace(record.address, record.data.size(), record.data);
    return image;
}

} // namespace SRecordGenerator
