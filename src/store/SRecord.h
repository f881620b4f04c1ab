#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// One Motorola S-record line, checked and decoded. Pure: no files, no database.
namespace SRecord {

// Layout of a line: "S", type digit, byte count (2 digits), address, data, checksum (2 digits).
inline constexpr int TypeChars = 2;
inline constexpr int CountChars = 2;
inline constexpr int ChecksumBytes = 1;
// The byte count is one byte, so a record holds at most 255 bytes after it.
inline constexpr int MaxByteCount = 0xFF;

struct Record
{
    char type = '0';        // the type digit, '0'..'9'
    bool lowerCase = false; // written "s" instead of "S"
    int byteCount = 0;      // bytes after the count: address, data, checksum
    int addressBytes = 0;   // 2, 3 or 4 by type
    quint32 address = 0;    // for S5/S6 the record count
    QByteArray data;        // the data bytes (S0: the header text)
    quint8 checksum = 0;

    // S1, S2 and S3 carry image bytes.
    bool isData() const { return type == '1' || type == '2' || type == '3'; }
    // The type as written in the file, "S2" or "s2".
    QString typeText() const;
};

// Address field size in bytes of a record type digit; 0 for S4, which is reserved.
int addressBytes(char type);

// Parses one line without its line end and without surrounding spaces. Returns
// false and a reason (without a line number) when the line is no S-record: an
// unknown type, a character that is no hexadecimal digit, an odd number of digits,
// a byte count that differs from the bytes on the line, or a wrong checksum.
bool parse(QByteArrayView line, Record &record, QString *reason = nullptr);

// The checksum a record must carry: one's complement of the low byte of the sum
// of count, address and data bytes.
quint8 checksumOf(QByteArrayView countAddressAndData);

} // namespace SRecord
