#include "BootTransfer.h"

#include "FlashLink.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

#include <algorithm>

namespace {

constexpr quint8 StartRequest = 0x55;
constexpr quint8 StartReply = 0xAA;
constexpr quint8 LoaderRunning = 0xAA;
constexpr int MaxLoaderBytes = 0xFFFF; // announced in two bytes
constexpr int CountedHeaderBytes = 4;  // byte count less what is not sent: address digits and checksum

const QString BootQuery = QStringLiteral("SELECT * FROM BootPrg ORDER BY TypeString,AddressString,RecNumber");
// The one data record a boot loader holds (the import refuses the others); end
// and count records carry nothing, whatever they hold.
const QString LoaderType = QStringLiteral("S2");
const QString HeaderType = QStringLiteral("S0");

struct LoaderRow
{
    int line;
    qint64 address = 0;
    QByteArray bytes;
};

struct Loader
{
    QVector<LoaderRow> rows;
    int length = 0;
};

QString hex6(qint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

// An S2 row cut with a four-digit address field: its last address byte is in
// CheckSum, its data in DataString.
bool readLoaderRow(const QSqlQuery &query, LoaderRow &row, QString &reason)
{
    bool countOk = false;
    bool addressOk = false;
    const int count = query.value(QStringLiteral("BytesCount")).toString().toInt(&countOk, 16);
    row.address =
        (query.value(QStringLiteral("AddressString")).toString() + query.value(QStringLiteral("CheckSum")).toString())
            .toLongLong(&addressOk, 16);
    const QString digits = query.value(QStringLiteral("DataString")).toString();
    if (!countOk || !addressOk || digits.size() % 2 != 0 || !HexText::toBytes(digits, row.bytes)) {
        reason = QCoreApplication::translate("BootTransfer", "boot loader line %1 is not a valid record").arg(row.line);
        return false;
    }
    // The announced length must be the number of bytes that follow it.
    if (std::max(0, count - CountedHeaderBytes) != row.bytes.size()) {
        reason = QCoreApplication::translate("BootTransfer",
                                             "boot loader line %1: byte count %2 does not match its %3 data bytes")
                     .arg(row.line)
                     .arg(count)
                     .arg(row.bytes.size());
        return false;
    }
    return true;
}

// The query orders by the first four address digits only, so rows of one
// 256-byte page come in file order: the rows with data go out by their whole
// address, before the rows that carry nothing.
void sortByAddress(QVector<LoaderRow> &rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const LoaderRow &a, const LoaderRow &b) {
        if (a.bytes.isEmpty() != b.bytes.isEmpty())
            return b.bytes.isEmpty();
        return a.address < b.address;
    });
}

// The loader goes out as one run of bytes: a record must start where the one
// before it ends, or every byte after it would land at the wrong place.
bool checkContinuity(const QVector<LoaderRow> &rows, QString &reason)
{
    for (qsizetype i = 1; i < rows.size() && !rows.at(i).bytes.isEmpty(); ++i) {
        const LoaderRow &before = rows.at(i - 1);
        const LoaderRow &row = rows.at(i);
        const qint64 end = before.address + before.bytes.size();
        if (row.address == end)
            continue;
        reason =
            (row.address > end
                 ? QCoreApplication::translate(
                       "BootTransfer",
                       "boot loader line %1: the record at %2 leaves a gap after the one on line %3, which ends at %4")
                 : QCoreApplication::translate(
                       "BootTransfer",
                       "boot loader line %1: the record at %2 overlaps the one on line %3, which ends at %4"))
                .arg(row.line)
                .arg(hex6(row.address))
                .arg(before.line)
                .arg(hex6(end - 1));
        return false;
    }
    return true;
}

// The loader as it goes out: every row but S0, the S2 rows' data bytes in
// address order without a gap or an overlap.
bool readLoader(QSqlDatabase db, Loader &loader, QString &reason)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(BootQuery)) {
        reason = QCoreApplication::translate("BootTransfer", "cannot read BootPrg: %1").arg(query.lastError().text());
        return false;
    }
    bool any = false;
    while (query.next()) {
        any = true;
        const QString type = query.value(QStringLiteral("TypeString")).toString();
        if (type == HeaderType)
            continue;
        LoaderRow row{query.value(QStringLiteral("RecNumber")).toInt() + 1, 0, {}};
        if (type == LoaderType && !readLoaderRow(query, row, reason))
            return false;
        loader.length += int(row.bytes.size());
        loader.rows.append(row);
    }
    if (query.lastError().isValid()) {
        reason = QCoreApplication::translate("BootTransfer", "cannot read BootPrg: %1").arg(query.lastError().text());
        return false;
    }
    if (!any) {
        reason = QCoreApplication::translate("BootTransfer", "no boot loader: BootPrg is empty");
        return false;
    }
    sortByAddress(loader.rows);
    if (!checkContinuity(loader.rows, reason))
        return false;
    if (loader.length > MaxLoaderBytes) {
        reason = QCoreApplication::translate("BootTransfer", "the boot loader is %1 bytes; at most %2 can be announced")
                     .arg(loader.length)
                     .arg(MaxLoaderBytes);
        return false;
    }
    return true;
}

bool sendLength(FlashLink &link, int length)
{
    const quint8 high = quint8(length >> 8);
    const quint8 low = quint8(length & 0xFF);
    return link.exchange(QByteArray(1, char(high)), high,
                         QCoreApplication::translate("BootTransfer", "the loader length's high byte")) &&
           link.exchange(QByteArray(1, char(low)), low,
                         QCoreApplication::translate("BootTransfer", "the loader length's low byte"));
}

bool sendLoaderBytes(WindowServices &window, FlashLink &link, const Loader &loader)
{
    int sent = 0;
    for (const LoaderRow &row : loader.rows) {
        for (char byte : row.bytes) {
            ++sent;
            const QString what = QCoreApplication::translate("BootTransfer", "loader byte %1 of %2 (line %3)")
                                     .arg(sent)
                                     .arg(loader.length)
                                     .arg(row.line);
            if (!link.exchange(QByteArray(1, byte), quint8(byte), what))
                return false;
        }
        window.barMain().step();
    }
    return true;
}

} // namespace

bool loadBootProgram(QSqlDatabase db, QByteArray &bytes, QString *reason)
{
    Loader loader;
    QString why;
    if (!readLoader(db, loader, why)) {
        if (reason)
            *reason = why;
        return false;
    }
    bytes.clear();
    for (const LoaderRow &row : loader.rows)
        bytes.append(row.bytes);
    return true;
}

bool measureBootProgram(WindowServices &window, int &bytes, int &rows)
{
    Loader loader;
    QString reason;
    if (!readLoader(window.WorkConnection(), loader, reason)) {
        window.setFailure(reason);
        return false;
    }
    bytes = loader.length;
    rows = int(loader.rows.size());
    return true;
}

bool fncTransmitBootProgram(WindowServices &window)
{
    window.clearFailure();
    Loader loader;
    QString reason;
    if (!readLoader(window.WorkConnection(), loader, reason)) {
        window.setFailure(reason);
        return false;
    }
    FlashLink link(window);
    const bool done =
        link.open() && !link.stopRequested() && link.synchronise() &&
        link.exchange(QByteArray(1, char(StartRequest)), StartReply,
                      QCoreApplication::translate("BootTransfer", "the start request 0x55")) &&
        sendLength(link, loader.length) && sendLoaderBytes(window, link, loader) &&
        link.expect(LoaderRunning,
                    QCoreApplication::translate("BootTransfer", "the whole loader, which should now be running"));
    link.close();
    return done;
}
