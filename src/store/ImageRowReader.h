#pragma once

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// Walks the rows of a query on an image table straight off SQLite, each column as
// the bytes stored. A full image is 16,000 rows: reading them through QtSql costs
// a conversion and an allocation per value, several times the rest of the work.
class ImageRowReader
{
public:
    explicit ImageRowReader(QSqlDatabase db);
    ~ImageRowReader();
    ImageRowReader(const ImageRowReader &) = delete;
    ImageRowReader &operator=(const ImageRowReader &) = delete;

    bool exec(const QString &sql);
    // The next row; false at the end and on an error (error() then says which).
    bool next();
    int integer(int column) const;
    // Valid until the next call of next().
    QByteArrayView text(int column) const;
    QString error() const { return m_error; }

private:
    sqlite3 *m_handle = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    QString m_error;
};

// The SQLite connection behind a QtSql database; nullptr for another driver.
sqlite3 *sqliteHandleOf(QSqlDatabase db);
