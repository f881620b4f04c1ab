#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// S-record text for tests and benchmarks, written here independently of the import.
namespace SRecordFiles {

// One line without its line end: "S" + type, count, address, data, checksum.
QByteArray line(char type, quint32 address, QByteArrayView data);

// A whole image as an S0 header "IMG", S2 records of `perLine` data bytes and an
// S804 end record, lines ended by `lineEnd`.
QByteArray imageAsS2(QByteArrayView image, int perLine = 16, QByteArrayView lineEnd = "\n");

// `size` reproducible pseudo-random bytes.
QByteArray randomBytes(int size, quint32 seed = 7730);

// Writes `contents` to `path`; false when it cannot.
bool writeFile(const QString &path, QByteArrayView contents);

} // namespace SRecordFiles
