#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>

// Random legal S-record files, reproducible from a seed: a firmware image (dense,
// whole most of the time, a few gaps of every size) or a boot loader (contiguous
// most of the time), records of up to 26 bytes in any order, S1 and S2 mixed,
// records without data, overlaps, headers, end records with and without bytes,
// now and then a record Brisk must refuse; CR LF or LF, digits in either case,
// blank lines and spaces.
namespace SRecordGenerator {

enum class Target { Image, Loader };

struct File
{
    Target target;
    QByteArray text;
    // Every reason Brisk may give for refusing the file, worked out from the
    // records written, never by asking the code under test; empty when Brisk must take it.
    QList<QRegularExpression> refusals;
};

// The file `seed` makes: a boot loader for every third seed, else an image.
File generate(quint32 seed);

} // namespace SRecordGenerator
