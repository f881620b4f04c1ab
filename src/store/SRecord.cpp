#include "SRecord.h"

#include <array>
#include <cstring>

namespace SRecord {

namespace {

constexpr char UpperS = 'S';
constexpr char LowerS = 's';
constexpr int ReservedType = '4';

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString Record::typeText() const
{
    return QString(QLatin1Char(lowerCase ? LowerS : UpperS)) + QLatin1Char(type);
}

int addressBytes(char type)
{
    switch (type) {
    case '0':
    case '1':
    case '5':
    case '9':
        return 2;
    case '2':
    case '6':
    case '8':
        return 3;
    case '3':
    case '7':
        return 4;
    default:
        return 0;
    }
}

quint8 checksumOf(QByteArrayView bytes)
{
    unsigned sum = 0;
    for (char b : bytes)
        sum += quint8(b);
    return quint8(~sum);
}

bool parse(QByteArrayView line, Record &record, QString *reason)
{
    if (line.size() < TypeChars + CountChars)
        return fail(reason, QStringLiteral("too short for an S-record"));
    if (line[0] != UpperS && line[0] != LowerS)
        return fail(reason, QStringLiteral("not an S-record: it does not start with \"S\""));
    const char type = line[1];
    if (type < '0' || type > '9')
        return fail(reason, QStringLiteral("unknown record type"));
    if (type == ReservedType)
        return fail(reason, QStringLiteral("S4 is a reserved record type"));

    const QByteArrayView digits = line.sliced(TypeChars);
    for (qsizetype i = 0; i < digits.size(); ++i)
        if (hexValue(digits[i]) < 0)
            return fail(reason, QStringLiteral("character %1 is not a hexadecimal digit").arg(TypeChars + i + 1));
    if (digits.size() % 2 != 0)
        return fail(reason, QStringLiteral("odd number of hexadecimal digits"));

    // Everything after the type as bytes: count, address, data, checksum.
    const qsizetype byteTotal = digits.size() / 2;
    const auto byteAt = [&](qsizetype i) { return quint8(hexValue(digits[2 * i]) << 4 | hexValue(digits[2 * i + 1])); };
    const int count = byteAt(0);
    const qsizetype onLine = byteTotal - 1;
    if (count != onLine)
        return fail(reason, QStringLiteral("byte count says %1 bytes, the line has %2").arg(count).arg(onLine));
    const int addressSize = addressBytes(type);
    if (count < addressSize + ChecksumBytes)
        return fail(reason, QStringLiteral("byte count %1 is too small for an S%2 record").arg(count).arg(type));

    std::array<quint8, MaxByteCount + 1> bytes;
    unsigned sum = 0;
    for (qsizetype i = 0; i < byteTotal; ++i) {
        bytes[i] = byteAt(i);
        sum += bytes[i];
    }
    const quint8 written = bytes[byteTotal - 1];
    const quint8 expected = quint8(~(sum - written));
    if (written != expected)
        return fail(
            reason,
            QStringLiteral("checksum is %1, the record's bytes give %2").arg(hexByte(written), hexByte(expected)));

    record.type = type;
    record.lowerCase = line[0] == LowerS;
    record.byteCount = count;
    record.addressBytes = addressSize;
    record.address = 0;
    for (int i = 1; i <= addressSize; ++i)
        record.address = record.address << 8 | quint8(bytes[i]);
    // Reuses the record's buffer: a caller parsing line after line allocates once.
    record.data.resize(count - addressSize - ChecksumBytes);
    std::memcpy(record.data.data(), bytes.data() + 1 + addressSize, record.data.size());
    record.checksum = written;
    return true;
}

} // namespace SRecord
