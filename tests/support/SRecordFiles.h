#pragma once

#include <QByteArrayView>
#include <QStringList>

// S-record text for tests and benchmarks, written here independently of the import.
namespace SRecordFiles {

// Address field size in bytes of a record type: S2/S6/S8 three, S3/S7 four, the others two.
int addressBytes(char type);

// One line without its line end: "S" + type, count, address, data, checksum.
QByteArray line(char type, quint32 address, QByteArrayView data);

// A whole image as an S0 header "IMG", S2 records of 16 data bytes and an S804 end
// record, each line ended by LF.
QByteArray imageAsS2(QByteArrayView image);

// `size` reproducible pseudo-random bytes.
QByteArray randomBytes(int size, quint32 seed = 7730);

// Writes `contents` to `path`; false when it cannot.
bool writeFile(const QString &path, QByteArrayView contents);
// The file's bytes; "<unreadable>" when it cannot be read, so that it equals no expected contents.
QByteArray readFile(const QString &path);
// Runs a program to its end in `folder`; true when it exits with 0. `output` takes what it printed.
bool runTool(const QString &program, const QStringList &arguments, const QString &folder = {},
             QByteArray *output = nullptr);

} // namespace SRecordFiles
