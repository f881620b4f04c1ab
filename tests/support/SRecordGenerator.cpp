#include "SRecordGenerator.h"

#include "SRecordFiles.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace SRecordGenerator {

namespace {

constexpr qint64 Full = 0x40000; // a whole image: 2,048 frames of 128 bytes
// Gap sizes where a frame, a block or a 16-bit step turns over.
constexpr qint64 Edges[] = {1, 127, 128, 129, 4095, 32767, 32768, 65535, 65536};

struct Record
{
    char type = '2';
    quint32 address = 0;
    QByteArray data; // S0: the header text; S7-S9: the bytes after the address field
    int line = 0;    // where it stands in the file, from 1
};

struct Dice : QRandomGenerator
{
    using QRandomGenerator::QRandomGenerator;
    bool chance(int percent) { return bounded(100) < percent; }
    qint64 between(qint64 low, qint64 high) { return bounded(low, high + 1); }
    // A value from one of the ranges {percent, low, high}, chosen by its percent.
    qint64 pick(std::initializer_list<std::array<qint64, 3>> ranges)
    {
        qint64 roll = bounded(100);
        for (const auto &[percent, low, high] : ranges)
            if ((roll -= percent) < 0)
                return between(low, high);
        return 0;
    }
    QByteArray bytes(qint64 size)
    {
        QByteArray data(size, Qt::Uninitialized);
        for (char &b : data)
            b = char(generate());
        return data;
    }
    // Moves a few runs of records elsewhere: any order, without leaving srec_cat,
    // which takes time by the square of the pieces it holds apart, thousands of them.
    void moveRuns(QList<Record> &records, int moves)
    {
        for (const qint64 n = records.size(); moves > 0 && n > 2; --moves) {
            std::array<qint64, 3> cuts{between(0, n), between(0, n), between(0, n)};
            std::sort(cuts.begin(), cuts.end());
            std::rotate(records.begin() + cuts[0], records.begin() + cuts[1], records.begin() + cuts[2]);
        }
    }
};

// DataString holds 50 characters: what stands after six address digits for an
// image's S2 lines, after four for every other line.
int maxDataBytes(Target target, char type)
{
    return target == Target::Image && type == '2' ? 26 : 28 - SRecordFiles::addressBytes(type);
}

// S2 records of `size` bytes (fewer now and then) from `start` to `end`, with
// `holes` gaps of every size; the last byte is always there.
QList<Record> run(Dice &dice, qint64 start, qint64 end, int size, int holes)
{
    QList<std::pair<qint64, qint64>> gaps;
    for (int bits = dice.bounded(17); gaps.size() < holes && end - start > 2; bits = dice.bounded(17)) {
        const qint64 at = dice.between(start + 1, end - 1);
        gaps.append({at, at + (dice.chance(25) ? Edges[dice.bounded(9)] : (1 << bits) + dice.bounded(1 << bits))});
    }
    QList<Record> records;
    for (qint64 at = start; at < end; at += records.last().data.size()) {
        for (const auto &[from, to] : gaps)
            at = at >= from && at < to ? std::min(to, end - 1) : at;
        records.append(
            {'2', quint32(at), dice.bytes(std::min(dice.chance(60) ? size : dice.between(1, size), end - at))});
    }
    return records;
}

QList<Record> dataRecords(Dice &dice, Target target)
{
    if (target == Target::Loader) { // contiguous, but now and then a record is left out
        const qint64 size = dice.pick({{10, 0, 0}, {55, 1, 2048}, {20, 2049, 16384}, {15, 0xFFFF - 5000, 70000}});
        const qint64 start = dice.chance(50) ? 0 : dice.between(0, 0xFE0000);
        QList<Record> records = run(dice, start, start + size, 25, 0);
        if (records.size() >= 3 && dice.chance(6))
            records.removeAt(dice.between(1, records.size() - 2));
        return records;
    }
    // Whole images mostly, at and around 2,048 frames too; now and then records of
    // a few bytes, for files of more than 32,767 lines.
    const qint64 end =
        dice.pick({{45, Full, Full}, {35, Full - 128, Full + 1}, {10, 1, Full}, {10, Full, Full + 4096}});
    const qint64 start = std::min(end - 1, dice.pick({{95, 0, 0}, {5, 1, 4096}}));
    QList<Record> records = run(dice, start, end, dice.chance(8) ? 4 : 26, dice.pick({{30, 0, 0}, {70, 1, 12}}));
    // S1 below 64 KB as some tools write it, or S1 and S2 mixed there.
    const int s1 = dice.bounded(100);
    for (Record &r : records)
        if (r.address <= 0xFFFF && (s1 < 25 ? r.address + r.data.size() <= 0x10000 : s1 < 45 && dice.chance(50)))
            r.type = '1';
    return records;
}

// An overlap, records that carry nothing, and now and then a record Brisk refuses.
void plantOddRecords(QList<Record> &records, Target target, Dice &dice)
{
    const int generated = int(records.size());
    const auto some = [&]() -> Record & { return records[dice.bounded(generated)]; };
    if (generated > 0 && dice.chance(12)) { // over its last or first byte mostly; the same bytes again or others
        const Record base = some();
        const qint64 from =
            dice.pick({{40, base.data.size() - 1, base.data.size() - 1}, {60, 0, base.data.size() - 1}});
        records.append({'2', base.address + quint32(from),
                        dice.chance(50) ? base.data.mid(from) : dice.bytes(dice.between(1, 25))});
    }
    for (int i = dice.chance(30) ? dice.between(1, 3) : 0; i > 0; --i) {
        const bool s1 = target == Target::Image && dice.chance(50);
        records.append({s1 ? '1' : '2', quint32(dice.bounded(s1 ? 0x10000 : 0x1000000)), {}});
    }
    if (generated == 0)
        return;
    if (Record &r = some(); dice.chance(2))
        r.type = '3';
    if (Record &r = some(); dice.chance(3))
        r.data += dice.bytes(std::max<qint64>(0, maxDataBytes(target, r.type) + 1 - r.data.size()));
}

// The data records in address order or runs of them moved; an end record and a
// header around them, now and then all over.
void arrange(QList<Record> &records, Dice &dice)
{
    std::stable_sort(records.begin(), records.end(), [](auto &a, auto &b) { return a.address < b.address; });
    dice.moveRuns(records, dice.pick({{55, 0, 0}, {45, 1, 20}}));
    if (const char end = char(dice.pick({{42, '8', '8'}, {43, '9', '9'}, {3, '7', '7'}})))
        records.append({end, quint32(dice.bounded(end == '9' ? 0x10000 : 0x1000000)),
                        dice.bytes(dice.chance(20) ? dice.between(1, 4) : 0)});
    if (dice.chance(85))
        records.prepend({'0', 0, dice.bytes(dice.pick({{92, 0, 26}, {8, 27, 40}}))});
    dice.moveRuns(records, dice.chance(5) * 5);
}

// The records one a line, laid out at random; notes each record's line.
QByteArray writeText(QList<Record> &records, Dice &dice)
{
    const int ends = dice.bounded(100);   // LF, CR LF, or either line by line
    const int digits = dice.bounded(100); // upper case, lower case, or either digit by digit
    const bool blankLines = dice.chance(20);
    const bool spaces = dice.chance(20);
    const auto lineEnd = [&] { return ends < 45 || (ends >= 90 && dice.chance(50)) ? "\n" : "\r\n"; };
    const auto padding = [&] { return QByteArray(spaces && dice.chance(20) ? dice.between(1, 3) : 0, ' '); };
    static constexpr const char *Blanks[] = {"", " ", "\r", "  \r"};
    QByteArray text;
    for (int line = 0; Record & record : records) {
        record.line = ++line;
        if (line > 1)
            text += lineEnd();
        for (; line > 1 && blankLines && dice.chance(10); record.line = ++line)
            text += Blanks[dice.bounded(4)] + QByteArray(lineEnd());
        QByteArray body = SRecordFiles::line(record.type, record.address, record.data);
        for (qsizetype i = 2; i < body.size(); ++i) // bit 0x20 makes A-F a-f and leaves 0-9 alone
            body[i] = digits >= 50 && (digits < 70 || dice.chance(50)) ? char(body[i] | 0x20) : body[i];
        text += padding() + body + padding();
    }
    return text + (!records.isEmpty() && dice.chance(90) ? lineEnd() : "");
}

// The first bad line stops the import: every reason that applies to it.
QList<QRegularExpression> lineRefusals(const Record &record, Target target)
{
    QList<QRegularExpression> refusals;
    const QString line = QStringLiteral("^line %1: ").arg(record.line);
    if (record.type == '3' || record.type == '7')
        refusals << QRegularExpression(line + "S[37] record refused: 32-bit");
    if (record.data.size() > maxDataBytes(target, record.type))
        refusals << QRegularExpression(line + "record too long to store");
    return refusals;
}

// The records that carry bytes, of the types given, by address and then by line.
QList<Record> piecesOf(QList<Record> records, QByteArrayView types)
{
    records.removeIf([&](const Record &r) { return r.data.isEmpty() || !types.contains(r.type); });
    std::stable_sort(records.begin(), records.end(), [](auto &a, auto &b) { return a.address < b.address; });
    return records;
}

// An image not from address 0, with records that share a byte, or not of 2,048 frames.
QList<QRegularExpression> imageRefusals(const QList<Record> &records)
{
    const QList<Record> pieces = piecesOf(records, "12");
    if (pieces.isEmpty())
        return {QRegularExpression("holds no S1 or S2 record with data")};
    QList<QRegularExpression> refusals;
    qint64 end = 0;
    for (const Record &piece : pieces) {
        if (piece.address < end && refusals.isEmpty())
            refusals << QRegularExpression("^line \\d+: the record at 0x\\w{6} overlaps the one on line \\d+, which");
        end = std::max(end, piece.address + piece.data.size());
    }
    if (pieces.first().address != 0)
        refusals << QRegularExpression("^line \\d+: the image starts at 0x\\w{6}, not at address 0$");
    if ((end + 127) / 128 != 2048)
        refusals << QRegularExpression(QStringLiteral("^the image is %1 frames").arg((end + 127) / 128));
    return refusals;
}

// A loader with a gap or an overlap, or too long to announce.
QList<QRegularExpression> loaderRefusals(const QList<Record> &records)
{
    if (records.isEmpty()) // a header alone is a loader of 0 bytes
        return {QRegularExpression("^no boot loader: BootPrg is empty$")};
    const QList<Record> pieces = piecesOf(records, "2");
    QList<QRegularExpression> refusals;
    qint64 size = 0;
    for (qsizetype i = 0; i < pieces.size(); size += pieces[i++].data.size()) {
        const qint64 end = i > 0 ? pieces[i - 1].address + pieces[i - 1].data.size() : pieces[i].address;
        if (pieces[i].address != end && refusals.isEmpty())
            refusals << QRegularExpression(
                QStringLiteral("^boot loader line %1: the record at 0x\\w{6} %2 the one on line %3,")
                    .arg(pieces[i].line)
                    .arg(pieces[i].address > end ? "leaves a gap after" : "overlaps")
                    .arg(pieces[i - 1].line));
    }
    if (size > 0xFFFF)
        refusals << QRegularExpression(QStringLiteral("^the boot loader is %1 bytes; at most 65535 can be").arg(size));
    return refusals;
}

} // namespace

File generate(quint32 seed)
{
    const Target target = seed % 3 == 2 ? Target::Loader : Target::Image;
    Dice dice(seed);
    QList<Record> records = dataRecords(dice, target);
    plantOddRecords(records, target, dice);
    arrange(records, dice);
    File file{target, writeText(records, dice), {}};
    for (const Record &record : records)
        if (file.refusals = lineRefusals(record, target); !file.refusals.isEmpty())
            return file;
    file.refusals = target == Target::Image ? imageRefusals(records) : loaderRefusals(records);
    return file;
}

} // namespace SRecordGenerator
