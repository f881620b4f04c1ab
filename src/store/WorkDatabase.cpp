#include "WorkDatabase.h"

#include "FreshFile.h"
#include "UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

// The file made anew at `path`; false with the reason in `error`.
bool makeFreshFile(const QString &path, FreshFile::Identity &made, QString &error)
{
    QString systemError;
    switch (FreshFile::make(path, made, systemError)) {
    case FreshFile::Outcome::Made:
        return true;
    case FreshFile::Outcome::CannotReplace:
        error = QCoreApplication::translate("WorkDatabase", "cannot replace the old working database %1")
                    .arg(QDir::toNativeSeparators(path));
        return false;
    case FreshFile::Outcome::CannotCreate:
        error = QCoreApplication::translate("WorkDatabase", "cannot create the working database %1: %2")
                    .arg(QDir::toNativeSeparators(path), systemError);
        return false;
    case FreshFile::Outcome::CannotExamine:
        break;
    }
    error = QCoreApplication::translate("WorkDatabase", "cannot examine the working database %1: %2")
                .arg(QDir::toNativeSeparators(path), systemError);
    return false;
}

// Every text column holds at most 50 characters and refuses NULL: a null QString
// binds as NULL and would slip past CHECK and UNIQUE.
QString textColumn(const QString &name)
{
    return QStringLiteral("%1 TEXT NOT NULL CHECK(length(%1) <= 50)").arg(name);
}

QString imageTableSql(const QString &table)
{
    QStringList columns{QStringLiteral("RecNumber INTEGER NOT NULL")};
    for (const char *c : {"TypeString", "BytesCount", "AddressString", "CheckSum", "DataString", "CheckSum2"})
        columns << textColumn(QString::fromLatin1(c));
    columns << QStringLiteral("CONSTRAINT PrimaryKey PRIMARY KEY (RecNumber)");
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", ")));
}

QString memoryDataSql()
{
    QStringList columns;
    for (int i = 1; i <= 16; ++i)
        columns << textColumn(QStringLiteral("P%1").arg(i));
    columns << QStringLiteral("CONSTRAINT PrimaryKey PRIMARY KEY (P1, P2, P3)");
    return QStringLiteral("CREATE TABLE MemoryData (%1)").arg(columns.join(QStringLiteral(", ")));
}

QString menuDataSql()
{
    QStringList columns{textColumn(QStringLiteral("AB"))};
    for (int i = 1; i <= 5; ++i)
        columns << textColumn(QStringLiteral("P%1").arg(i));
    columns << QStringLiteral("CONSTRAINT PrimaryKey PRIMARY KEY (AB, P1, P2, P3, P4)");
    return QStringLiteral("CREATE TABLE MenuData (%1)").arg(columns.join(QStringLiteral(", ")));
}

QStringList schema()
{
    return {imageTableSql(QStringLiteral("UserPrg")), imageTableSql(QStringLiteral("AdjustPrg")),
            imageTableSql(QStringLiteral("BootPrg")), memoryDataSql(), menuDataSql()};
}

void setReason(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
}

} // namespace

namespace WorkDatabase {

QString defaultPath()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absoluteDir().filePath(exe.completeBaseName() + QStringLiteral(".mdb"));
}

WorkFolder folderFor(const QString &programFolder)
{
    WorkFolder folder;
    if (UserFolders::isOwnWritable(programFolder))
        folder.path = programFolder;
    else
        folder.path = UserFolders::runtime(&folder.madeForThisRun, &folder.problem);
    return folder;
}

bool create(const QString &path, QString *reason)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!UserFolders::isOwnWritable(folder)) {
        setReason(reason, QCoreApplication::translate(
                              "WorkDatabase", "cannot create the working database in %1: it is not a folder of this "
                                              "user's that nobody else may write to")
                              .arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    FreshFile::Identity made;
    QString error;
    if (!makeFreshFile(path, made, error)) {
        setReason(reason, error);
        return false;
    }
    const QString connection = QStringLiteral("brisk-create-%1").arg(quintptr(&path));
    bool ok = false;
    {
        QSqlDatabase db = open(path, connection, reason);
        if (db.isOpen()) {
            ok = FreshFile::isMade(path, made);
            if (!ok)
                setReason(reason, QCoreApplication::translate("WorkDatabase",
                                                              "the working database %1 was replaced while it was made")
                                      .arg(QDir::toNativeSeparators(path)));
            QSqlQuery query(db);
            for (const QString &statement : schema()) {
                if (ok && !query.exec(statement)) {
                    setReason(reason,
                              QCoreApplication::translate("WorkDatabase", "cannot create the working database: %1")
                                  .arg(query.lastError().text()));
                    ok = false;
                    break;
                }
            }
        }
    }
    close(connection);
    if (!ok)
        QFile::remove(path);
    return ok;
}

QSqlDatabase open(const QString &path, const QString &connectionName, QString *reason)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    if (!db.open()) {
        setReason(reason, QCoreApplication::translate("WorkDatabase", "cannot open the working database %1: %2")
                              .arg(QDir::toNativeSeparators(path), db.lastError().text()));
        return db;
    }
    // A scratch store: durability buys nothing and costs seconds per import.
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA synchronous=OFF")) ||
        !pragma.exec(QStringLiteral("PRAGMA journal_mode=MEMORY"))) {
        setReason(reason, QCoreApplication::translate("WorkDatabase", "cannot use the working database %1: %2")
                              .arg(QDir::toNativeSeparators(path), pragma.lastError().text()));
        db.close();
    }
    return db;
}

void close(const QString &connectionName)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

int countRows(QSqlDatabase db, const QString &query)
{
    QSqlQuery count(db);
    if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(query)) || !count.next())
        return -1;
    return count.value(0).toInt();
}

bool prepareRefill(QSqlDatabase db, const QString &table, int columns, QSqlQuery &insert, QString *reason)
{
    QSqlQuery clear(db);
    if (!clear.exec(QStringLiteral("DELETE FROM ") + table)) {
        setReason(
            reason,
            QCoreApplication::translate("WorkDatabase", "cannot empty %1: %2").arg(table, clear.lastError().text()));
        return false;
    }
    QStringList marks;
    marks.fill(QStringLiteral("?"), columns);
    if (!insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(QStringLiteral(", "))))) {
        setReason(reason, QCoreApplication::translate("WorkDatabase", "cannot store into %1: %2")
                              .arg(table, insert.lastError().text()));
        return false;
    }
    return true;
}

} // namespace WorkDatabase

bool fncCreateDatabase()
{
    return WorkDatabase::create(WorkDatabase::defaultPath());
}
