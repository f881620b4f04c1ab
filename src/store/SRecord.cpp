#include "SRecord.h"

#include <QCoreApplication>
#include <array>
#include <cstring>

namespace SRecord {

namespace {

constexpr char UpperS = 'S';
constexpr char LowerS = 's';
constexpr int ReservedType = '4';

constexpr qint8 NotHex = -1;

// Digit values by character; a table, as the import runs this for every character of a file.
constexpr std::array<qint8, 256> HexValues = [] {
    std::array<qint8, 256> values{};
    values.fill(NotHex);
    for (int c = '0'; c <= '9'; ++c)
        values[c] = qint8(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        values[c] = values[c - 'A' + 'a'] = qint8(c - 'A' + 10);
    return values;
}();

int hexValue(char c)
{
    return HexValues[quint8(c)];
}

bool fail(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
    return false;
}

// Names the first character of `digits` that is no hexadecimal digit, by its place in the line.
bool notHex(QByteArrayView digits, QString *reason)
{
    qsizetype i = 0;
    while (i < digits.size() && hexValue(digits[i]) >= 0)
        ++i;
    return fail(
        reason,
        QCoreApplication::translate("SRecord", "character %1 is not a hexadecimal digit").arg(TypeChars + i + 1));
}

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString Record::typeText() const
{
    // Made once: an import counts the type of every record it reads.
    static const auto names = [] {
        std::array<std::array<QString, 256>, 2> all;
        for (int lower = 0; lower < 2; ++lower)
            for (int c = 0; c < 256; ++c)
                all[lower][c] = QString(QLatin1Char(lower ? LowerS : UpperS)) + QLatin1Char(char(c));
        return all;
    }();
    return names[lowerCase][quint8(type)];
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
        return fail(reason, QCoreApplication::translate("SRecord", "too short for an S-record"));
    if (line[0] != UpperS && line[0] != LowerS)
        return fail(reason, QCoreApplication::translate("SRecord", "not an S-record: it does not start with \"S\""));
    const char type = line[1];
    if (type < '0' || type > '9')
        return fail(reason, QCoreApplication::translate("SRecord", "unknown record type"));
    if (type == ReservedType)
        return fail(reason, QCoreApplication::translate("SRecord", "S4 is a reserved record type"));

    const QByteArrayView digits = line.sliced(TypeChars);
    const qsizetype byteTotal = digits.size() / 2;
    // Everything after the type as bytes: count, address, data, checksum. A line
    // of more bytes than a count can announce fails the count check below.
    std::array<quint8, MaxByteCount + 1> bytes;
    const qsizetype decoded = std::min<qsizetype>(byteTotal, bytes.size());
    unsigned sum = 0;
    for (qsizetype i = 0; i < decoded; ++i) {
        const int high = hexValue(digits[2 * i]);
        const int low = hexValue(digits[2 * i + 1]);
        if ((high | low) < 0)
            return notHex(digits, reason);
        bytes[i] = quint8(high << 4 | low);
        sum += bytes[i];
    }
    if (decoded < byteTotal || digits.size() % 2 != 0) {
        for (qsizetype i = 2 * decoded; i < digits.size(); ++i)
            if (hexValue(digits[i]) < 0)
                return notHex(digits, reason);
    }
    if (digits.size() % 2 != 0)
        return fail(reason, QCoreApplication::translate("SRecord", "odd number of hexadecimal digits"));

    const int count = bytes[0];
    const qsizetype onLine = byteTotal - 1;
    if (count != onLine)
        return fail(
            reason,
            QCoreApplication::translate("SRecord", "byte count says %1 bytes, the line has %2").arg(count).arg(onLine));
    const int addressSize = addressBytes(type);
    if (count < addressSize + ChecksumBytes)
        return fail(reason, QCoreApplication::translate("SRecord", "byte count %1 is too small for an S%2 record")
                                .arg(count)
                                .arg(type));

    const quint8 written = bytes[byteTotal - 1];
    const quint8 expected = quint8(~(sum - written));
    if (written != expected)
        return fail(reason, QCoreApplication::translate("SRecord", "checksum is %1, the record's bytes give %2")
                                .arg(hexByte(written), hexByte(expected)));

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
