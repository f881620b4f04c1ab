#include "ImageRowReader.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

sqlite3 *sqliteHandleOf(QSqlDatabase db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

ImageRowReader::ImageRowReader(QSqlDatabase db) : m_handle(sqliteHandleOf(db))
{
}

ImageRowReader::~ImageRowReader()
{
    sqlite3_finalize(m_statement);
}

bool ImageRowReader::exec(const QString &sql)
{
    if (!m_handle) {
        m_error = QCoreApplication::translate("ImageRowReader", "the working database is not an SQLite database");
        return false;
    }
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &m_statement, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_handle));
        return false;
    }
    return true;
}

bool ImageRowReader::next()
{
    if (!m_statement)
        return false;
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        m_error = QString::fromUtf8(sqlite3_errmsg(m_handle));
    return false;
}

int ImageRowReader::integer(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

QByteArrayView ImageRowReader::text(int column) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
}
