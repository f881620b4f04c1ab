#include "SettingsFile.h"
#include "store/FileContents.h"
#include "store/OutputPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <array>
#include <span>

namespace {

constexpr char Cr = '\r';
constexpr char Lf = '\n';
constexpr char Terminator = ';'; // ends every radio command
constexpr ushort FirstPrintable = 0x20;
constexpr qsizetype QuoteLimit = 60; // characters of file text quoted in a reason
constexpr QLatin1Char Comma(',');
constexpr auto LineEnd = "\r\n";
constexpr auto MrPrefix = "MR,";
constexpr auto ExPrefix = "EX,";

// Widths of the fixed fields; the last field of a line takes the rest, up to a limit.
constexpr std::array<int, 15> MrWidths = {1, 1, 2, 11, 1, 1, 1, 2, 2, 3, 1, 1, 9, 2, 1};
constexpr int MrNameLimit = 8;
constexpr std::array<int, 4> ExWidths = {3, 2, 1, 1}; // P1 to P4, after the bank letter
constexpr int ExValueLimit = 16;
constexpr int MrFieldCount = 16;
constexpr int ExFieldCount = 6;
// Fields (counted from 1) that the radio takes as numbers: a channel's number, its
// frequency, tones and offset; a menu's number, sub-number and the two flags.
constexpr std::array<int, 8> MrDigitFields = {2, 3, 4, 8, 9, 10, 13, 14};
constexpr std::array<int, 4> ExDigitFields = {2, 3, 4, 5};
constexpr ushort Delete = 0x7F;
constexpr ushort LastC1Control = 0x9F;

// Spaces only: tabs and other blanks are part of a value.
QString trimSpaces(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

// A line ends at CR LF, at a lone CR or at a lone LF, so that a file from an
// editor loads as well as one saved here; the line end is not part of the line.
// The line end of the last line does not start another one.
QList<QString> splitLines(const QByteArray &bytes)
{
    QList<QString> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) != Cr && bytes.at(i) != Lf)
            continue;
        lines.append(QString::fromLatin1(bytes.mid(start, i - start)));
        if (bytes.at(i) == Cr && i + 1 < bytes.size() && bytes.at(i + 1) == Lf)
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(QString::fromLatin1(bytes.mid(start)));
    return lines;
}

// Every line of a file saved here ends; one that does not was cut off.
bool lastLineEnds(const QByteArray &bytes)
{
    return bytes.endsWith(Cr) || bytes.endsWith(Lf);
}

// Fields after the three-character prefix: all but the last end at a comma, the
// last takes the rest of the line, surplus commas included.
bool cutFields(const QString &line, int count, QStringList &fields)
{
    fields.clear();
    qsizetype cursor = 3;
    for (int i = 1; i < count; ++i) {
        const qsizetype comma = line.indexOf(Comma, cursor);
        if (comma < 0)
            return false;
        fields.append(trimSpaces(line.mid(cursor, comma - cursor)));
        cursor = comma + 1;
    }
    fields.append(trimSpaces(line.mid(cursor)));
    return true;
}

// Control characters are C0, DEL and C1: none of them reaches a radio as text.
bool isControl(QChar c)
{
    return c.unicode() < FirstPrintable || (c.unicode() >= Delete && c.unicode() <= LastC1Control);
}

bool isForbidden(QChar c)
{
    return c == QLatin1Char(Terminator) || isControl(c);
}

QString hexCode(QChar c)
{
    return QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

// File text in a reason: at most QuoteLimit characters, control characters as
// their codes, so that a damaged line cannot garble the terminal that shows it.
QString quoted(const QString &text)
{
    QString shown;
    for (QChar c : text.left(QuoteLimit))
        shown += isControl(c) ? QStringLiteral("\\x") + hexCode(c) : QString(c);
    return QLatin1Char('"') + shown + (text.size() > QuoteLimit ? QStringLiteral("...\"") : QStringLiteral("\""));
}

QString describe(const QString &value)
{
    if (value.size() == 1)
        return QCoreApplication::translate("SettingsFile", "%1 (1 character)").arg(quoted(value));
    return QCoreApplication::translate("SettingsFile", "%1 (%2 characters)").arg(quoted(value)).arg(value.size());
}

// A field goes into a radio command as it stands: ";" would end the command
// early and send the rest as another one, and a control character garbles it.
bool checkCharacters(const char *kind, const QStringList &fields, QString &reason)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const auto bad = std::find_if(fields.at(i).cbegin(), fields.at(i).cend(), isForbidden);
        if (bad == fields.at(i).cend())
            continue;
        const QString what =
            *bad == QLatin1Char(Terminator)
                ? QCoreApplication::translate("SettingsFile", "\";\", which would end the command sent to the radio")
                : QCoreApplication::translate("SettingsFile",
                                              "the control character 0x%1, which a radio command cannot carry")
                      .arg(hexCode(*bad));
        reason = QCoreApplication::translate("SettingsFile", "%1 field %2 holds %3")
                     .arg(QLatin1String(kind))
                     .arg(i + 1)
                     .arg(what);
        return false;
    }
    return true;
}

bool checkWidths(const char *kind, const QStringList &fields, int firstField, std::span<const int> widths,
                 int lastLimit, QString &reason)
{
    for (size_t i = 0; i < widths.size(); ++i) {
        const QString &value = fields.at(qsizetype(i) + firstField);
        if (value.size() != widths[i]) {
            reason = QCoreApplication::translate("SettingsFile", "%1 field %2 is %3, expected %4 characters")
                         .arg(QLatin1String(kind))
                         .arg(qsizetype(i) + firstField + 1)
                         .arg(describe(value))
                         .arg(widths[i]);
            return false;
        }
    }
    if (fields.last().size() > lastLimit) {
        reason = QCoreApplication::translate("SettingsFile", "%1 field %2 is %3, at most %4 allowed")
                     .arg(QLatin1String(kind))
                     .arg(fields.size())
                     .arg(describe(fields.last()))
                     .arg(lastLimit);
        return false;
    }
    return true;
}

bool checkDigits(const char *kind, const QStringList &fields, std::span<const int> numbered, QString &reason)
{
    for (int field : numbered) {
        const QString &value = fields.at(field - 1);
        if (std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            continue;
        reason = QCoreApplication::translate("SettingsFile", "%1 field %2 is %3, expected digits only")
                     .arg(QLatin1String(kind))
                     .arg(field)
                     .arg(describe(value));
        return false;
    }
    return true;
}

bool parseMrLine(const QString &line, QStringList &fields, QString &reason)
{
    if (!cutFields(line, MrFieldCount, fields)) {
        reason = QCoreApplication::translate("SettingsFile", "an MR line needs 16 fields (15 commas after \"MR,\")");
        return false;
    }
    if (!checkCharacters("MR", fields, reason) || !checkWidths("MR", fields, 0, MrWidths, MrNameLimit, reason))
        return false;
    // The entry of a channel: 0 or 1.
    if (fields.first() != QLatin1String("0") && fields.first() != QLatin1String("1")) {
        reason = QCoreApplication::translate("SettingsFile", "MR field 1 is %1, expected \"0\" or \"1\"")
                     .arg(describe(fields.first()));
        return false;
    }
    return checkDigits("MR", fields, MrDigitFields, reason);
}

bool parseExLine(const QString &line, QStringList &fields, QString &reason)
{
    if (!cutFields(line, ExFieldCount, fields)) {
        reason = QCoreApplication::translate("SettingsFile", "an EX line needs 6 fields (5 commas after \"EX,\")");
        return false;
    }
    if (!checkCharacters("EX", fields, reason))
        return false;
    if (fields.first() != QLatin1String("A") && fields.first() != QLatin1String("B")) {
        reason = QCoreApplication::translate("SettingsFile", "EX field 1 (the bank) is %1, expected \"A\" or \"B\"")
                     .arg(describe(fields.first()));
        return false;
    }
    return checkWidths("EX", fields, 1, ExWidths, ExValueLimit, reason) &&
           checkDigits("EX", fields, ExDigitFields, reason);
}

enum class LineKind { Memory, Menu, Bad };

LineKind parseLine(const QString &line, QStringList &fields, QString &reason)
{
    if (line.startsWith(QLatin1String(MrPrefix)))
        return parseMrLine(line, fields, reason) ? LineKind::Memory : LineKind::Bad;
    if (line.startsWith(QLatin1String(ExPrefix)))
        return parseExLine(line, fields, reason) ? LineKind::Menu : LineKind::Bad;
    if (line.isEmpty())
        reason = QCoreApplication::translate("SettingsFile", "the line is empty");
    else
        reason = QCoreApplication::translate("SettingsFile", "it starts with %1, not \"MR,\" or \"EX,\"")
                     .arg(quoted(line.left(3)));
    return LineKind::Bad;
}

QString lineReason(qsizetype number, const QString &reason)
{
    return QCoreApplication::translate("SettingsFile", "line %1: %2").arg(number).arg(reason);
}

// --- export ---

QStringList trimmedValues(const QSqlQuery &row, const QStringList &columns)
{
    QStringList values;
    for (const QString &column : columns)
        values.append(trimSpaces(row.value(column).toString()));
    return values;
}

QStringList memoryColumns()
{
    QStringList columns;
    for (int i = 1; i <= MrFieldCount; ++i)
        columns.append(QStringLiteral("P%1").arg(i));
    return columns;
}

QStringList menuColumns()
{
    return {QStringLiteral("AB"), QStringLiteral("P1"), QStringLiteral("P2"),
            QStringLiteral("P3"), QStringLiteral("P4"), QStringLiteral("P5")};
}

// A row is written only when its line will load back as the same values, so
// that every file this program saves can be loaded again.
bool lineLoadsBack(const QString &line, const QStringList &values, QString &reason)
{
    for (QChar c : line) {
        if (c.unicode() > 0xFF) {
            reason = QCoreApplication::translate("SettingsFile", "a character cannot be saved as one byte");
            return false;
        }
    }
    QStringList fields;
    if (parseLine(line, fields, reason) == LineKind::Bad)
        return false;
    if (fields != values) {
        reason = QCoreApplication::translate("SettingsFile", "a value holds a comma");
        return false;
    }
    return true;
}

bool writeTable(WindowServices &window, QSaveFile &file, const char *table, const char *prefix,
                const QStringList &columns)
{
    QSqlQuery rows(window.WorkConnection());
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table)))) {
        window.setFailure(QCoreApplication::translate("SettingsFile", "cannot read %1: %2")
                              .arg(QLatin1String(table), rows.lastError().text()));
        return false;
    }
    while (rows.next()) {
        const QStringList values = trimmedValues(rows, columns);
        const QString line = QLatin1String(prefix) + values.join(Comma);
        QString reason;
        if (!lineLoadsBack(line, values, reason)) {
            window.setFailure(QCoreApplication::translate("SettingsFile", "cannot save the %1 row %2: %3")
                                  .arg(QLatin1String(table), quoted(line), reason));
            return false;
        }
        file.write(line.toLatin1() + LineEnd);
    }
    if (rows.lastError().isValid()) {
        window.setFailure(QCoreApplication::translate("SettingsFile", "cannot read %1 to its end: %2")
                              .arg(QLatin1String(table), rows.lastError().text()));
        return false;
    }
    return true;
}

// --- import ---

bool emptyTables(QSqlDatabase db, QString &reason)
{
    QSqlQuery clear(db);
    for (const char *sql : {"DELETE FROM MemoryData", "DELETE FROM MenuData"}) {
        if (!clear.exec(QLatin1String(sql))) {
            reason = QCoreApplication::translate("SettingsFile", "cannot empty the tables: %1")
                         .arg(clear.lastError().text());
            return false;
        }
    }
    return true;
}

// A row's reason names the file and the line.
bool insertRows(QSqlDatabase db, const char *sql, const QList<SettingsRow> &rows, const QString &path, QString &reason)
{
    QSqlQuery insert(db);
    if (!insert.prepare(QLatin1String(sql))) {
        reason = insert.lastError().text();
        return false;
    }
    for (const SettingsRow &row : rows) {
        for (int i = 0; i < row.values.size(); ++i)
            insert.bindValue(i, row.values.at(i).isNull() ? QStringLiteral("") : row.values.at(i));
        if (!insert.exec()) {
            const QString error = insert.lastError().text();
            reason = QStringLiteral("%1, %2").arg(
                QDir::toNativeSeparators(path),
                error.contains(QLatin1String("UNIQUE"))
                    ? QCoreApplication::translate("SettingsFile", "line %1: the same entry is on an earlier line")
                          .arg(row.line)
                    : lineReason(row.line, error));
            return false;
        }
    }
    return true;
}

// All rows in one transaction: a load either stores the whole file or nothing.
bool storeRows(QSqlDatabase db, const SettingsRows &rows, const QString &path, QString &reason)
{
    if (!db.transaction()) {
        reason = db.lastError().text();
        return false;
    }
    const bool ok = emptyTables(db, reason) &&
                    insertRows(db, "INSERT INTO MemoryData VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                               rows.memory, path, reason) &&
                    insertRows(db, "INSERT INTO MenuData (AB, P1, P2, P3, P4, P5) VALUES (?, ?, ?, ?, ?, ?)", rows.menu,
                               path, reason);
    if (ok && db.commit())
        return true;
    if (ok)
        reason = db.lastError().text();
    db.rollback();
    return false;
}

} // namespace

bool parseSettingsText(const QByteArray &bytes, SettingsRows &rows, QString *reason)
{
    rows = {};
    const auto fail = [&](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (bytes.isEmpty())
        return fail(
            QCoreApplication::translate("SettingsFile", "the file is empty: it holds no MR or EX line to write"));
    const QList<QString> lines = splitLines(bytes);
    if (!lastLineEnds(bytes))
        return fail(lineReason(lines.size(), QCoreApplication::translate(
                                                 "SettingsFile", "the line has no line end: the file was cut short")));
    for (int i = 0; i < lines.size(); ++i) {
        QStringList fields;
        QString why;
        switch (parseLine(lines.at(i), fields, why)) {
        case LineKind::Memory:
            rows.memory.append({i + 1, fields});
            break;
        case LineKind::Menu:
            rows.menu.append({i + 1, fields});
            break;
        case LineKind::Bad:
            return fail(lineReason(i + 1, why));
        }
    }
    return true;
}

bool fncExportCsvFile(WindowServices &window, const QString &path)
{
    QString reason;
    if (!checkOutputPath(path, reason)) {
        window.setFailure(reason);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        window.setFailure(QCoreApplication::translate("SettingsFile", "cannot write %1: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    if (!writeTable(window, file, "MemoryData", MrPrefix, memoryColumns()) ||
        !writeTable(window, file, "MenuData", ExPrefix, menuColumns())) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        window.setFailure(QCoreApplication::translate("SettingsFile", "cannot save %1: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    return true;
}

bool readSettingsFile(const QString &path, SettingsRows &rows, QString &reason, InputFile *read)
{
    QByteArray bytes;
    if (!readWholeFile(path, bytes, reason, SettingsFileLimit))
        return false;
    if (read)
        *read = InputFile::of(path, bytes);
    if (parseSettingsText(bytes, rows, &reason))
        return true;
    reason = QStringLiteral("%1, %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

bool fncImportCsvFile(WindowServices &window, const QString &path)
{
    QSqlDatabase db = window.WorkConnection();
    QString reason;
    SettingsRows rows;
    InputFile read;
    const bool ok =
        emptyTables(db, reason) && readSettingsFile(path, rows, reason, &read) && storeRows(db, rows, path, reason);
    if (read.isValid())
        window.noteInput(read);
    if (ok)
        return true;
    QString ignored;
    emptyTables(db, ignored);
    window.setFailure(reason);
    return false;
}
