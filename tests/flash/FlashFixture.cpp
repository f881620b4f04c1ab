#include "FlashFixture.h"

#include <QSqlQuery>

namespace {

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString hexNumber(quint32 value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

bool insert(QSqlDatabase db, const QString &table, int recNumber, const QStringList &fields)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO %1 (RecNumber, TypeString, BytesCount, AddressString, CheckSum, "
                                 "DataString, CheckSum2) VALUES (?, ?, ?, ?, ?, ?, ?)")
                      .arg(table));
    query.addBindValue(recNumber);
    // A null QString would bind as NULL; the columns take "" instead.
    for (const QString &field : fields)
        query.addBindValue(field.isNull() ? QStringLiteral("") : field);
    return query.exec();
}

} // namespace

namespace ImageRows {

bool storeProgram(QSqlDatabase db, const QString &table, const QByteArray &image)
{
    constexpr int PerRecord = 16;
    db.transaction();
    int line = 0;
    for (qsizetype at = 0; at < image.size(); at += PerRecord) {
        const QByteArray data = image.mid(at, PerRecord);
        if (!insert(db, table, line++,
                    {QStringLiteral("S2"), hexNumber(quint32(data.size()) + 4, 2), hexNumber(quint32(at), 6),
                     hexOf(data.left(1)), hexOf(data.mid(1)), QStringLiteral("00")}))
            return false;
    }
    return db.commit();
}

bool storeBoot(QSqlDatabase db, const QByteArray &loader, int perRecord)
{
    db.transaction();
    int line = 0;
    bool ok = insert(db, QStringLiteral("BootPrg"), line++,
                     {QStringLiteral("S0"), QStringLiteral("03"), QStringLiteral("0000"), QStringLiteral("FC"),
                      QString(), QStringLiteral("FC")});
    for (qsizetype at = 0; ok && at < loader.size(); at += perRecord) {
        const QByteArray data = loader.mid(at, perRecord);
        const QString address = hexNumber(quint32(at), 6);
        ok = insert(db, QStringLiteral("BootPrg"), line++,
                    {QStringLiteral("S2"), hexNumber(quint32(data.size()) + 4, 2), address.left(4), address.mid(4),
                     hexOf(data), QStringLiteral("00")});
    }
    ok = ok && insert(db, QStringLiteral("BootPrg"), line++,
                      {QStringLiteral("S8"), QStringLiteral("04"), QStringLiteral("0000"), QStringLiteral("00"),
                       QString(), QStringLiteral("FB")});
    return db.commit() && ok;
}

} // namespace ImageRows
