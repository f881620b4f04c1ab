#include "SRecordGenerator.h"

#include "SRecordFiles.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace SRecordGenerator {

namespace {

constexpr qint64 ImageBytes = 0x40000;
constexpr qint64 LastFrame = ImageBytes - 128;
constexpr qint64 MaxLoaderBytes = 0xFFFF;
// Gap sizes where a frame, a block or a 16-bit step turns over.
constexpr qint64 Edges[] = {1, 127, 128, 129, 4095, 32767, 32768, 65535, 65536};

struct Record
{
    char type = '2';
    quint32 address = 0;     // S5/S6: the count
    QByteArray data;         // S0: the header text; S5-S9: the bytes after the address field
    bool lowerCaseS = false; // typed "s2"
    int line = 0;            // where it stands in the file, from 1
};

struct Dice : QRandomGenerator
{
    using QRandomGenerator::QRandomGenerator;
    bool chance(int percent) { return bounded(100) < percent; }
    qint64 between(qint64 low, qint64 high) { return bounded(low, high + 1); }
    // One of the ranges {percent, low, high}, drawn by its percent, then a value in it.
    qint64 pick(std::initializer_list<std::array<qint64, 3>> ranges)
    {
        qint64 roll = bounded(100);
        for (const auto &[percent, low, high] : ranges)
            if ((roll -= percent) < 0)
                return between(low, high);
        return 0;
    }
    QByteArray bytes(qint64 size, char low = 0, char high = -1)
    {
        QByteArray data(size, Qt::Uninitialized);
        for (char &b : data)
            b = char(between(quint8(low), quint8(high)));
        return data;
    }
};

bool isData(char type)
{
    return type >= '1' && type <= '3';
}

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
    for (int i = 0; i < holes && end - start > 2; ++i) {
        const qint64 at = dice.between(start + 1, end - 1);
        const int bits = dice.bounded(17);
        gaps.append({at, at + (dice.chance(25) ? Edges[dice.bounded(9)] : (1 << bits) + dice.bounded(1 << bits))});
    }
    QList<Record> records;
    for (qint64 at = start; at < end; at += records.last().data.size()) {
        for (const auto &[from, to] : gaps)
            if (at >= from && at < to)
                at = std::min(to, end - 1);
        const qint64 bytes = std::min(dice.chance(60) ? size : dice.between(1, size), end - at);
        records.append({'2', quint32(at), dice.bytes(bytes)});
    }
    return records;
}

QList<Record> dataRecords(Dice &dice, Target target)
{
    if (target == Target::Loader) {
        const qint64 size = dice.pick({{10, 0, 0},
                                       {55, 1, 2048},
                                       {20, 2049, 16384},
                                       {5, MaxLoaderBytes - 5000, MaxLoaderBytes},
                                       {10, MaxLoaderBytes + 1, 70000}});
        const qint64 start = dice.chance(50) ? 0 : dice.between(0, 0xFE0000);
        QList<Record> records = run(dice, start, start + size, 25, 0);
        if (records.size() >= 3 && dice.chance(6)) // a gap: a record in the middle left out
            records.removeAt(dice.between(1, records.size() - 2));
        return records;
    }
    // Whole images mostly, at and around 2,048 frames too; records of a few bytes
    // now and then, for files of more than 32,767 lines.
    const qint64 end = dice.pick({{40, ImageBytes, ImageBytes},
                                  {6, LastFrame, LastFrame + 1},
                                  {6, ImageBytes - 1, ImageBytes + 1},
                                  {32, LastFrame + 1, ImageBytes},
                                  {1, 0, 0},
                                  {8, 1, LastFrame},
                                  {7, ImageBytes + 1, ImageBytes + 4096}});
    const qint64 start = std::clamp<qint64>(dice.pick({{95, 0, 0}, {5, 1, 4096}}), 0, std::max<qint64>(0, end - 1));
    QList<Record> records =
        run(dice, start, end, dice.chance(8) ? 4 : 26, int(dice.pick({{30, 0, 0}, {50, 1, 3}, {20, 4, 12}})));
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
    if (generated > 0 && dice.chance(8)) { // over its last or first byte mostly; the same bytes again or others
        const Record base = some();
        const qint64 last = base.data.size() - 1;
        const qint64 from = dice.pick({{40, last, last}, {15, 0, 0}, {45, 0, last}});
        records.append({'2', base.address + quint32(from),
                        dice.chance(50) ? base.data.mid(from) : dice.bytes(dice.between(1, 25))});
    }
    for (int i = dice.chance(30) ? dice.between(1, 3) : 0; i > 0; --i) {
        const bool s1 = target == Target::Image && dice.chance(50);
        records.append({s1 ? '1' : '2', quint32(dice.bounded(s1 ? 0x10000 : 0x1000000)), {}});
    }
    if (generated == 0)
        return;
    if (dice.chance(2))
        some().type = '3';
    if (Record &r = some(); dice.chance(3))
        r.data += dice.bytes(std::max<qint64>(0, maxDataBytes(target, r.type) + 1 - r.data.size()));
    if (Record &r = some(); target == Target::Loader && dice.chance(3))
        r = {'1', r.address & 0xFFFF, r.data};
    some().lowerCaseS = dice.chance(1);
}

// Runs of records in any order: srec_cat takes time by the square of the pieces it holds apart.
void shuffle(QList<Record> &records, Dice &dice)
{
    QList<QList<Record>> runs;
    for (qsizetype at = 0; at < records.size(); at += records.size() / 500 + 1)
        runs << records.mid(at, records.size() / 500 + 1);
    std::shuffle(runs.begin(), runs.end(), dice);
    records.clear();
    for (const QList<Record> &run : runs)
        records << run;
}

// The data records in address order, reversed, shuffled or a few out of place;
// a count, an end record and headers around them.
void arrange(QList<Record> &records, Dice &dice)
{
    std::stable_sort(records.begin(), records.end(), [](auto &a, auto &b) { return a.address < b.address; });
    if (const int order = dice.bounded(100); order < 15)
        std::reverse(records.begin(), records.end());
    else if (order < 40)
        shuffle(records, dice);
    else if (order < 60 && !records.isEmpty())
        for (int swaps = dice.between(1, 20); swaps > 0; --swaps)
            records.swapItemsAt(dice.bounded(records.size()), dice.bounded(records.size()));
    if (dice.chance(30)) { // a count of the data records before it, right most of the time
        const qsizetype at = dice.chance(80) ? records.size() : dice.between(0, records.size());
        const qint64 count = std::max<qint64>(0, std::count_if(records.begin(), records.begin() + at, [](auto &r) {
                                                     return isData(r.type);
                                                 }) + dice.pick({{80, 0, 0}, {10, -5, -1}, {10, 1, 5}}));
        records.insert(at, {count > 0xFFFF || dice.chance(30) ? '6' : '5', quint32(count), dice.bytes(dice.chance(5))});
    }
    if (const char end = char(dice.pick({{42, '8', '8'}, {43, '9', '9'}, {3, '7', '7'}})))
        records.append({end, quint32(dice.bounded(end == '9' ? 0x10000 : 0x1000000)),
                        dice.bytes(dice.chance(20) ? dice.between(1, 4) : 0)});
    const auto header = [&] { return Record{'0', 0, dice.bytes(dice.pick({{92, 0, 26}, {8, 27, 40}}), ' ', '~')}; };
    if (dice.chance(85))
        records.prepend(header());
    if (dice.chance(5))
        records.insert(dice.between(0, records.size()), header());
    if (dice.chance(5))
        shuffle(records, dice);
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
    int line = 0;
    for (Record &record : records) {
        record.line = ++line;
        if (line > 1)
            text += lineEnd();
        for (; line > 1 && blankLines && dice.chance(10); record.line = ++line)
            text += Blanks[dice.bounded(4)] + QByteArray(lineEnd());
        QByteArray body = SRecordFiles::line(record.type, record.address, record.data);
        body[0] = record.lowerCaseS ? 's' : 'S';
        for (qsizetype i = 2; i < body.size(); ++i)
            if (digits >= 50 && (digits < 70 || dice.chance(50)) && body[i] >= 'A')
                body[i] = char(body[i] + 'a' - 'A');
        text += padding() + body + padding();
    }
    return text + (!records.isEmpty() && dice.chance(90) ? lineEnd() : "");
}

// A pattern of Brisk's reason; %1 stands for any of `numbers`.
QRegularExpression reason(const QString &pattern, const QList<qint64> &numbers = {})
{
    QStringList any;
    for (qint64 number : numbers)
        any << QString::number(number);
    return QRegularExpression(numbers.isEmpty() ? pattern : pattern.arg("(?:" + any.join('|') + ")"));
}

// The first bad line stops the import: every reason that applies to it.
QList<QRegularExpression> recordRefusals(const Record &record, Target target, int dataRecords)
{
    const bool count = record.type == '5' || record.type == '6';
    const std::pair<bool, const char *> reasons[] = {
        {record.type == '3' || record.type == '7', "S[37] record refused: 32-bit"},
        {record.lowerCaseS, "s\\d record refused: a record must start with an upper-case \"S\""},
        {target == Target::Loader && record.type == '1', "S1 record refused in the boot loader"},
        {record.data.size() > maxDataBytes(target, record.type), "record too long to store"},
        {count && !record.data.isEmpty(), "S[56] record refused: bytes after its count"},
        {count && record.address != quint32(dataRecords), "record count says"},
    };
    QList<QRegularExpression> refusals;
    for (const auto &[applies, text] : reasons)
        if (applies)
            refusals << reason(QStringLiteral("^line %1: ") + QLatin1String(text), {record.line});
    return refusals;
}

// The records that carry bytes, of the types given, by address and then by line.
QList<Record> piecesOf(const QList<Record> &records, QByteArrayView types)
{
    QList<Record> pieces;
    std::copy_if(records.begin(), records.end(), std::back_inserter(pieces),
                 [&](auto &r) { return types.contains(r.type) && !r.data.isEmpty(); });
    std::stable_sort(pieces.begin(), pieces.end(), [](auto &a, auto &b) { return a.address < b.address; });
    return pieces;
}

QList<QRegularExpression> imageRefusals(const QList<Record> &records)
{
    const QList<Record> pieces = piecesOf(records, "12");
    if (pieces.isEmpty())
        return {reason("holds no S1 or S2 record with data")};
    QList<qint64> lowest;
    QList<qint64> overlapping;
    QList<int> owner; // the line of the record that holds each byte
    for (const Record &piece : pieces) {
        if (piece.address == pieces.first().address)
            lowest << piece.line;
        owner.resize(std::max<qint64>(owner.size(), piece.address + piece.data.size()));
        for (qint64 at = piece.address; at < piece.address + piece.data.size(); ++at)
            if (owner[at])
                overlapping << owner[at] << piece.line;
            else
                owner[at] = piece.line;
    }
    QList<QRegularExpression> refusals;
    if (pieces.first().address != 0)
        refusals << reason("^line %1: the image starts at 0x\\w{6}, not at address 0$", lowest);
    if (!overlapping.isEmpty())
        refusals << reason("^line %1: the record at 0x\\w{6} overlaps the one on line %1, which ends at", overlapping);
    if (const qint64 frames = (owner.size() + 127) / 128; frames != 2048)
        refusals << reason("^the image is %1 frames", {frames});
    return refusals;
}

QList<QRegularExpression> loaderRefusals(const QList<Record> &records)
{
    if (records.isEmpty()) // an empty table; a header alone is a loader of 0 bytes
        return {reason("^no boot loader: BootPrg is empty$")};
    const QList<Record> pieces = piecesOf(records, "2");
    QList<QRegularExpression> refusals;
    qint64 size = pieces.isEmpty() ? 0 : pieces.first().data.size();
    for (qsizetype i = 1; i < pieces.size(); size += pieces[i++].data.size()) {
        const qint64 end = pieces[i - 1].address + pieces[i - 1].data.size();
        if (pieces[i].address != end && refusals.isEmpty())
            refusals << reason(QStringLiteral("^boot loader line %2: the record at 0x\\w{6} %3 the one on line %4,")
                                   .arg(pieces[i].line)
                                   .arg(pieces[i].address > end ? "leaves a gap after" : "overlaps")
                                   .arg(pieces[i - 1].line));
    }
    if (size > MaxLoaderBytes)
        refusals << reason("^the boot loader is %1 bytes; at most 65535 can be announced$", {size});
    return refusals;
}

} // namespace

File generate(Target target, quint32 seed)
{
    Dice dice(seed);
    QList<Record> records = dataRecords(dice, target);
    plantOddRecords(records, target, dice);
    arrange(records, dice);
    File file{target, writeText(records, dice), {}};
    for (int data = 0; const Record &record : records) {
        if (file.refusals = recordRefusals(record, target, data); !file.refusals.isEmpty())
            return file;
        data += isData(record.type);
    }
    file.refusals = target == Target::Image ? imageRefusals(records) : loaderRefusals(records);
    return file;
}

} // namespace SRecordGenerator
