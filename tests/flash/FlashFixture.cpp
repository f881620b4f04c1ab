#include "FlashFixture.h"

#include "store/SRecordImport.h"

#include <QSqlQuery>

namespace {

// The lines of `text` cut by `rule` into rows of `table`, RecNumber from 0.
bool store(QSqlDatabase db, const QString &table, const QByteArray &text, Cutting rule)
{
    db.transaction();
    QSqlQuery query(db);
    query.prepare("INSERT INTO " + table + " VALUES (?, ?, ?, ?, ?, ?, ?)");
    bool ok = true;
    const QList<QByteArray> lines = text.trimmed().split('\n');
    for (int i = 0; ok && i < lines.size(); ++i) {
        const ImageRow row = cutLine(lines[i], rule);
        query.addBindValue(i);
        for (QLatin1StringView field :
             {row.TypeString, row.BytesCount, row.AddressString, row.CheckSum, row.DataString, row.CheckSum2})
            query.addBindValue(QString(field));
        ok = query.exec();
    }
    return db.commit() && ok;
}

} // namespace

namespace ImageRows {

bool storeProgram(QSqlDatabase db, const QString &table, const QByteArray &image)
{
    return store(db, table, SRecordFiles::imageAsS2(image), Cutting::RuleB);
}

bool storeBoot(QSqlDatabase db, const QByteArray &loader)
{
    return store(db, "BootPrg", SRecordFiles::imageAsS2(loader), Cutting::RuleA);
}

} // namespace ImageRows
