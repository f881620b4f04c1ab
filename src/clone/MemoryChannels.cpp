#include "MemoryChannels.h"

#include "ConfirmedWrite.h"
#include "RadioSession.h"
#include "link/clsBriskHx7730.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <array>

namespace {

constexpr int FieldCount = 16; // P1 to P16 of an MR answer
constexpr std::array<const char *, 2> Passes = {"0", "1"};

using ChannelFields = std::array<QString, FieldCount>;

constexpr auto GroupSelect =
    "SELECT Min(P1) AS P1_MIN, P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, P14, P15, P16 ";
constexpr auto GroupFrom = " FROM MemoryData ";
constexpr auto GroupBy = " GROUP BY P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, P14, P15, P16 ";
constexpr auto GroupOrder = " ORDER BY Min(P1), P2, P3 ";

QString channelText(const ChannelFields &f)
{
    return f[0] + QLatin1Char('-') + f[1] + f[2];
}

bool readChannel(clsBriskHx7730 &link, ChannelFields &f)
{
    return link.MrRead(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12], f[13], f[14],
                       f[15]);
}

bool writeChannel(clsBriskHx7730 &link, const ChannelFields &f)
{
    return link.MrWrite(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12], f[13], f[14],
                        f[15]);
}

// Appends the answer as a MemoryData row; the connection commits it at once.
bool storeChannel(WindowServices &window, QSqlQuery &insert, const QString &asked, const ChannelFields &answer)
{
    for (int i = 0; i < FieldCount; ++i)
        insert.bindValue(i, answer[size_t(i)].isNull() ? QStringLiteral("") : answer[size_t(i)]);
    if (insert.exec())
        return true;
    const QString error = insert.lastError().text();
    if (error.contains(QLatin1String("UNIQUE")))
        window.setFailure(
            QCoreApplication::translate("MemoryChannels", "the answer to MR%1; names entry %2, which is stored already")
                .arg(asked, channelText(answer)));
    else
        window.setFailure(
            QCoreApplication::translate("MemoryChannels", "cannot store the answer to MR%1;: %2").arg(asked, error));
    return false;
}

bool readPass(WindowServices &window, clsBriskHx7730 &link, QSqlQuery &insert, const QString &pass)
{
    for (int channel = 0; channel < MemoryChannelCount; ++channel) {
        const QString number = QStringLiteral("%1").arg(channel, 3, 10, QLatin1Char('0'));
        ChannelFields fields;
        fields[0] = pass;
        fields[1] = number.left(1);
        fields[2] = number.mid(1);
        if (!readChannel(link, fields)) {
            window.setFailure(link.lastError());
            return false;
        }
        if (!storeChannel(window, insert, pass + number, fields))
            return false;
        window.barMain().step();
        window.fncWaitCursor();
        if (readStopRequested(
                window, QCoreApplication::translate("MemoryChannels", "memory-channel entry %1-%2").arg(pass, number)))
            return false;
    }
    return true;
}

} // namespace

QString memoryGroupQuery()
{
    return QLatin1String(GroupSelect) + QLatin1String(GroupFrom) + QLatin1String(GroupBy);
}

bool fncMemoryChennelRead(WindowServices &window)
{
    QSqlQuery insert(window.WorkConnection());
    clsBriskHx7730 link;
    if (!startRead(window, QStringLiteral("MemoryData"), 16, insert, link))
        return false;
    for (const char *pass : Passes)
        if (!readPass(window, link, insert, QLatin1String(pass)))
            return false;
    return true;
}

bool fncMemoryChennelWrite(WindowServices &window)
{
    QSqlQuery rows(window.WorkConnection());
    rows.setForwardOnly(true);
    if (!rows.exec(memoryGroupQuery() + QLatin1String(GroupOrder))) {
        window.setFailure(
            QCoreApplication::translate("MemoryChannels", "cannot read MemoryData: %1").arg(rows.lastError().text()));
        return false;
    }
    ConfirmedWrite write(window, QCoreApplication::translate("MemoryChannels", "memory channels"));
    while (rows.next()) {
        ChannelFields fields;
        for (int i = 0; i < FieldCount; ++i)
            fields[size_t(i)] = rows.value(i).toString();
        if (!write.begin() || !write.sent(writeChannel(write.link(), fields)))
            return false;
        if (!write.rowDone())
            return false;
    }
    // A read that stops early must not pass for the end of the table.
    if (!write.tableReadToEnd(rows, QStringLiteral("MemoryData")))
        return false;
    return write.finish();
}
