#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

class QRandomGenerator;

// Random legal S-record files, reproducible from a seed, and what Brisk must make
// of each: worked out from the records the generator wrote, never by asking the
// code under test.
namespace SRecordGenerator {

enum class Target { Image, Loader };

struct Record
{
    char type = '2';
    quint32 address = 0; // S5/S6: the count
    QByteArray data;     // S0: the header text; S5-S9: the bytes after the address field
    int line = 0;        // where it stands in the file, from 1
};

struct File
{
    Target target = Target::Image;
    QList<Record> records; // in file order
    QByteArray text;
};

// A firmware image (full most of the time) or a boot loader (contiguous most of
// the time): records shuffled, 0-26 data bytes each, gaps of every size, overlaps,
// S1 and S2, digits in either case, S0 headers of 0-40 characters, S5/S6 counts
// right and wrong, S8/S9 with and without bytes, CR LF or LF, blank lines and
// spaces around lines.
File generate(Target target, quint32 seed);

// Writes the records one a line, with the layout `random` picks (line ends, digit
// case, blank lines, spaces), and notes each record's line.
QByteArray writeText(QList<Record> &records, QRandomGenerator &random);

// A reason Brisk must give for refusing a file, as a pattern of its text; the
// pattern's captured numbers are lines (or, for sizes, the size) it may name.
struct Refusal
{
    QString name; // for tallies: "overlap", "record count", ...
    QRegularExpression pattern;
    QList<qint64> allowed; // what each capture may be
};

// Every reason that applies to the file; empty when Brisk must take it. The import
// stops at the first bad line, so only that line's reason applies when there is one.
QList<Refusal> refusalsFor(const File &file);
// True when `reason` is one of `refusals`, naming lines (or a size) it may name.
bool reasonFits(const QString &reason, const QList<Refusal> &refusals, QString *name = nullptr);

// The bytes the file holds as the generator placed them: the 262,144-byte image
// (gaps 0xFF) or the loader from its lowest address. Meaningful for accepted files.
QByteArray expectedBytes(const File &file);

} // namespace SRecordGenerator
