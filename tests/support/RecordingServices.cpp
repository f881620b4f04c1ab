#include "RecordingServices.h"

#include "store/WorkDatabase.h"

#include <QSqlQuery>
#include <QSqlRecord>

RecordingServices::RecordingServices()
{
    static int counter = 0;
    m_connection = QStringLiteral("test-work-%1").arg(++counter);
    const QString database = m_dir.filePath(QStringLiteral("work.mdb"));
    m_valid = m_dir.isValid() && WorkDatabase::create(database) && WorkDatabase::open(database, m_connection).isOpen();
}

RecordingServices::~RecordingServices()
{
    WorkDatabase::close(m_connection);
}

QSqlDatabase RecordingServices::WorkConnection()
{
    return QSqlDatabase::database(m_connection, false);
}

QStringList RecordingServices::rows(const QString &table, const QString &orderBy)
{
    QStringList result;
    QSqlQuery query(WorkConnection());
    QString sql = QStringLiteral("SELECT * FROM ") + table;
    if (!orderBy.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + orderBy;
    if (!query.exec(sql))
        return {QStringLiteral("<query failed>")};
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
        result << values.join(QLatin1Char('|'));
    }
    return result;
}

int RecordingServices::rowCount(const QString &table)
{
    return WorkDatabase::countRows(WorkConnection(), QStringLiteral("SELECT * FROM ") + table);
}
