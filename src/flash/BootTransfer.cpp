#include "BootTransfer.h"

#include "FlashLink.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVector>

namespace {

constexpr quint8 StartRequest = 0x55;
constexpr quint8 StartReply = 0xAA;
constexpr quint8 LoaderRunning = 0xAA;
constexpr int MaxLoaderBytes = 0xFFFF; // announced in two bytes
constexpr int CountedHeaderBytes = 4;  // byte count less what is not sent: address digits and checksum

const QString BootQuery = QStringLiteral("SELECT * FROM BootPrg ORDER BY TypeString,AddressString,RecNumber");

struct LoaderRow
{
    int line;
    QByteArray bytes;
};

struct Loader
{
    QVector<LoaderRow> rows;
    int length = 0;
};

// The loader as it goes out: every row but S0, in query order; each row's byte
// count less 4 is the number of its bytes (0 for the short end records).
bool readLoader(QSqlDatabase db, Loader &loader, QString &reason)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(BootQuery)) {
        reason = QStringLiteral("cannot read BootPrg: %1").arg(query.lastError().text());
        return false;
    }
    bool any = false;
    while (query.next()) {
        any = true;
        if (query.value(QStringLiteral("TypeString")).toString() == QLatin1String("S0"))
            continue;
        const int line = query.value(QStringLiteral("RecNumber")).toInt() + 1;
        bool ok = false;
        const int count = query.value(QStringLiteral("BytesCount")).toString().toInt(&ok, 16);
        LoaderRow row{line, {}};
        const QString digits = query.value(QStringLiteral("DataString")).toString();
        if (!ok || digits.size() % 2 != 0 || !HexText::toBytes(digits, row.bytes)) {
            reason = QStringLiteral("boot loader line %1 is not a valid record").arg(line);
            return false;
        }
        // The announced length must be the number of bytes that follow it.
        if (std::max(0, count - CountedHeaderBytes) != row.bytes.size()) {
            reason = QStringLiteral("boot loader line %1: byte count %2 does not match its %3 data bytes")
                         .arg(line)
                         .arg(count)
                         .arg(row.bytes.size());
            return false;
        }
        loader.length += int(row.bytes.size());
        loader.rows.append(row);
    }
    if (!any) {
        reason = QStringLiteral("no boot loader: BootPrg is empty");
        return false;
    }
    if (loader.length > MaxLoaderBytes) {
        reason = QStringLiteral("the boot loader is %1 bytes; at most %2 can be announced")
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
    return link.exchange(QByteArray(1, char(high)), high, QStringLiteral("the loader length's high byte")) &&
           link.exchange(QByteArray(1, char(low)), low, QStringLiteral("the loader length's low byte"));
}

bool sendLoaderBytes(WindowServices &window, FlashLink &link, const Loader &loader)
{
    int sent = 0;
    for (const LoaderRow &row : loader.rows) {
        for (char byte : row.bytes) {
            ++sent;
            const QString what =
                QStringLiteral("loader byte %1 of %2 (line %3)").arg(sent).arg(loader.length).arg(row.line);
            if (!link.exchange(QByteArray(1, byte), quint8(byte), what))
                return false;
        }
        window.barMain().step();
    }
    return true;
}

} // namespace

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

bool bootProgramBytes(QSqlDatabase db, QByteArray &bytes, QString *reason)
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
        bytes += row.bytes;
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
        link.exchange(QByteArray(1, char(StartRequest)), StartReply, QStringLiteral("the start request 0x55")) &&
        sendLength(link, loader.length) && sendLoaderBytes(window, link, loader) &&
        link.expect(LoaderRunning, QStringLiteral("the whole loader, which should now be running"));
    link.close();
    return done;
}
