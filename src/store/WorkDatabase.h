#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// The working database: a scratch SQLite file that lives as long as one run.
namespace WorkDatabase {

// The default place: beside the executable, its base name + ".mdb".
QString defaultPath();

// Where the window keeps its working database and lock.
struct WorkFolder
{
    QString path;                // empty when there is none; `problem` says why
    bool madeForThisRun = false; // a folder of its own for this run: removed at the end
    QString problem;
};

// The program's folder while it is this user's own and nobody else may write to it,
// else (an installed program) the user's private runtime folder.
WorkFolder folderFor(const QString &programFolder);

// Creates a fresh database at `path` with the five tables. Whatever stands at the
// path (a file left by a crash, a link) is replaced, never followed: the file is
// made anew, exclusively, in a folder of this user's that nobody else may write.
// On any failure no file is left behind, `reason` says why and the result is false.
bool create(const QString &path, QString *reason = nullptr);

// Opens a connection to the database at `path` under `connectionName`.
QSqlDatabase open(const QString &path, const QString &connectionName, QString *reason = nullptr);

// Closes the connection and removes it from Qt's registry.
void close(const QString &connectionName);

// Counts the rows of an SQL query, `SELECT COUNT(*) FROM (query)`; -1 on failure.
int countRows(QSqlDatabase db, const QString &query);

// Empties `table` and prepares `insert` to refill it with one value per column.
// False with a reason when either fails.
bool prepareRefill(QSqlDatabase db, const QString &table, int columns, QSqlQuery &insert, QString *reason);

// The tables, in the order they are created.
inline constexpr const char *TableNames[] = {"UserPrg", "AdjustPrg", "BootPrg", "MemoryData", "MenuData"};

} // namespace WorkDatabase

// Creates the working database beside the executable.
bool fncCreateDatabase();
