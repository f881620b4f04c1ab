#include "SRecordImport.h"
#include "FileContents.h"

#include "ImageRowReader.h"

#include "SRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

namespace {

constexpr char LineFeed = '\n';
constexpr char CarriageReturn = '\r';
constexpr char Space = ' ';
// Every text column of the image tables holds at most this many characters.
constexpr int ColumnLimit = 50;

// Character positions (0-based) of the columns under each rule.
struct Positions
{
    int address;
    int addressChars;
    int checkSum;
    int data; // DataString runs from here to two characters before the end
};
constexpr Positions RuleAPositions{4, 4, 8, 10};
constexpr Positions RuleBPositions{4, 6, 10, 12};
constexpr int FieldChars = 2;

bool isImageTable(const QString &table)
{
    return table == QLatin1String("UserPrg") || table == QLatin1String("AdjustPrg") ||
           table == QLatin1String("BootPrg");
}

QLatin1StringView text(QByteArrayView line, qsizetype from, qsizetype count)
{
    if (from >= line.size() || count <= 0)
        return QLatin1StringView("");
    return QLatin1StringView(line.sliced(from, std::min(count, line.size() - from)));
}

// A piece as a line: carriage returns count as spaces and spaces at both ends
// go. Only the space is trimmed, a tab stays part of the line. A carriage return
// inside a line is kept as it stands: as a space it would fail the record check
// all the same, and not copying every line keeps the import fast.
bool isBlank(char c)
{
    return c == Space || c == CarriageReturn;
}

QByteArrayView lineOf(QByteArrayView piece)
{
    qsizetype begin = 0;
    qsizetype end = piece.size();
    while (begin < end && isBlank(piece[begin]))
        ++begin;
    while (end > begin && isBlank(piece[end - 1]))
        --end;
    return piece.sliced(begin, end - begin);
}

Cutting cuttingFor(QByteArrayView line, ImportMode mode)
{
    return mode == ImportMode::Firmware && line.startsWith("S2") ? Cutting::RuleB : Cutting::RuleA;
}

// Records that the fixed cutting, or the transfer that later reads the rows,
// would not carry faithfully. "" when the record may be stored.
QString refusal(const SRecord::Record &record, ImportMode mode)
{
    if (record.type == '3' || record.type == '7')
        return QCoreApplication::translate("SRecordImport",
                                           "%1 record refused: 32-bit addresses do not fit the image table")
            .arg(record.typeText());
    // Record types are upper case: other readers skip a line typed "s2" as no
    // record at all, and the transfers would place or order it apart.
    if (record.lowerCase)
        return QCoreApplication::translate("SRecordImport",
                                           "%1 record refused: a record must start with an upper-case \"S\"")
            .arg(record.typeText());
    // The boot import cuts every line with a four-digit address: an S1 record's
    // first data byte would land in CheckSum, which the boot transfer leaves out.
    if (mode == ImportMode::Boot && record.isData() && record.type != '2')
        return QCoreApplication::translate("SRecordImport",
                                           "%1 record refused in the boot loader: only S2 records are sent whole")
            .arg(record.typeText());
    return {};
}

// The line with its hexadecimal digits in upper case, so that the text order of
// AddressString is address order.
QByteArrayView upperCaseDigits(QByteArrayView line, QByteArray &buffer)
{
    buffer.resize(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        buffer[i] = i >= SRecord::TypeChars && c >= 'a' && c <= 'f' ? char(c - 'a' + 'A') : c;
    }
    return buffer;
}

// The DataString column holds at most ColumnLimit characters; say how many data
// bytes this record type can bring under its cutting.
QString sizeProblem(const SRecord::Record &record, QByteArrayView line, Cutting rule)
{
    const Positions &at = rule == Cutting::RuleB ? RuleBPositions : RuleAPositions;
    const qsizetype dataChars = line.size() - at.data - FieldChars;
    if (dataChars <= ColumnLimit)
        return {};
    const int maxLineChars = at.data + ColumnLimit + FieldChars;
    const int maxByteCount = (maxLineChars - SRecord::TypeChars - SRecord::CountChars) / 2;
    const int fit = maxByteCount - record.addressBytes - SRecord::ChecksumBytes;
    return QCoreApplication::translate("SRecordImport", "record too long to store: %1 data bytes, at most %2 fit")
        .arg(record.data.size())
        .arg(fit);
}

// Empty data records, and end records with bytes after their address field,
// carry nothing to the radio.
bool carriesNothing(const SRecord::Record &record)
{
    return record.isData() ? record.data.isEmpty() : record.type >= '7' && !record.data.isEmpty();
}

void count(SRecordSummary &summary, const SRecord::Record &record)
{
    ++summary.recordsByType[record.typeText()];
    if (carriesNothing(record))
        ++summary.recordsCarryingNothing;
    if (!record.isData())
        return;
    ++summary.dataRecords;
    summary.dataBytes += record.data.size();
    if (record.data.isEmpty())
        return;
    const qint64 first = record.address;
    const qint64 last = first + record.data.size() - 1;
    if (summary.lowestAddress < 0 || first < summary.lowestAddress)
        summary.lowestAddress = first;
    summary.highestAddress = std::max(summary.highestAddress, last);
}

// S5/S6 records state how many data records came before them; a difference
// means lines were lost or added. Other readers take bytes after the count
// field as part of the count, so such a record has no one meaning.
QString recordCountProblem(const SRecord::Record &record, const SRecordSummary &summary)
{
    if (record.type != '5' && record.type != '6')
        return {};
    if (!record.data.isEmpty())
        return QCoreApplication::translate(
                   "SRecordImport", "%1 record refused: bytes after its count make it another count to other readers")
            .arg(record.typeText());
    if (record.address == quint32(summary.dataRecords))
        return {};
    return QCoreApplication::translate("SRecordImport", "record count says %1 data records, the file has %2 before it")
        .arg(record.address)
        .arg(summary.dataRecords);
}

// Rows go in inside one transaction, so a failed import can take all of them
// back, through one statement prepared on SQLite itself: binding through QtSql
// costs a few microseconds a value, more than everything else the import does.
class ImageTableWriter
{
public:
    ImageTableWriter(QSqlDatabase db, const QString &table) : m_db(db), m_table(table) {}
    ~ImageTableWriter()
    {
        sqlite3_finalize(m_insert);
        if (m_open)
            m_db.rollback();
        setCheckConstraints(true);
    }

    bool begin(QString &reason)
    {
        QSqlQuery empty(m_db);
        if (!empty.exec(QStringLiteral("DELETE FROM ") + m_table))
            return fail(reason, QCoreApplication::translate("SRecordImport", "cannot empty %1: %2")
                                    .arg(m_table, empty.lastError().text()));
        sqlite3 *handle = sqliteHandle();
        if (!handle)
            return fail(reason,
                        QCoreApplication::translate("SRecordImport", "the working database is not an SQLite database"));
        // Every field is within the column limit by now (cut widths, size check),
        // and the six CHECKs a row would cost a third of the storing time.
        setCheckConstraints(false);
        if (!m_db.transaction())
            return fail(
                reason,
                QCoreApplication::translate("SRecordImport", "cannot start storing: %1").arg(m_db.lastError().text()));
        m_open = true;
        const QByteArray insert = "INSERT INTO " + m_table.toLatin1() +
                                  " (RecNumber, TypeString, BytesCount, AddressString, CheckSum, DataString, "
                                  "CheckSum2) VALUES (?, ?, ?, ?, ?, ?, ?)";
        if (sqlite3_prepare_v2(handle, insert.constData(), int(insert.size()), &m_insert, nullptr) != SQLITE_OK)
            return fail(
                reason,
                QCoreApplication::translate("SRecordImport", "cannot store into %1: %2").arg(m_table, lastError()));
        return true;
    }

    // The row's texts are bound where they stand: they must live until the row is stored.
    bool store(int recNumber, const ImageRow &row, QString &reason)
    {
        sqlite3_bind_int(m_insert, 1, recNumber);
        int column = 2;
        for (QLatin1StringView value :
             {row.TypeString, row.BytesCount, row.AddressString, row.CheckSum, row.DataString, row.CheckSum2})
            sqlite3_bind_text(m_insert, column++, value.data(), int(value.size()), SQLITE_STATIC);
        const int result = sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        if (result != SQLITE_DONE)
            return fail(reason, QCoreApplication::translate("SRecordImport", "cannot store: %1").arg(lastError()));
        return true;
    }

    bool commit(QString &reason)
    {
        sqlite3_finalize(m_insert);
        m_insert = nullptr;
        if (!m_db.commit())
            return fail(reason, QCoreApplication::translate("SRecordImport", "cannot store into %1: %2")
                                    .arg(m_table, m_db.lastError().text()));
        m_open = false;
        return true;
    }

private:
    sqlite3 *sqliteHandle() const { return sqliteHandleOf(m_db); }

    void setCheckConstraints(bool on)
    {
        if (sqlite3 *handle = sqliteHandle())
            sqlite3_exec(handle, on ? "PRAGMA ignore_check_constraints=OFF" : "PRAGMA ignore_check_constraints=ON",
                         nullptr, nullptr, nullptr);
    }

    QString lastError() const { return QString::fromUtf8(sqlite3_errmsg(sqliteHandle())); }

    static bool fail(QString &reason, const QString &text)
    {
        reason = text;
        return false;
    }

    QSqlDatabase m_db;
    QString m_table;
    sqlite3_stmt *m_insert = nullptr;
    bool m_open = false;
};

// barMain during a firmware import: 0..pieces, one step per piece, hidden and
// back to 0 afterwards, also when the import fails.
class ImportProgress
{
public:
    ImportProgress(ProgressSink *bar, int pieces) : m_bar(bar)
    {
        if (!m_bar)
            return;
        m_bar->setMinimum(0);
        m_bar->setMaximum(pieces);
        m_bar->setValue(0);
        m_bar->setVisible(true);
    }
    ~ImportProgress()
    {
        if (!m_bar)
            return;
        m_bar->setVisible(false);
        m_bar->setValue(0);
    }
    void step()
    {
        if (m_bar)
            m_bar->step();
    }

private:
    ProgressSink *m_bar;
};

QString atLine(int index, const QString &problem)
{
    return QCoreApplication::translate("SRecordImport", "line %1: %2").arg(index + 1).arg(problem);
}

bool importPieces(const QByteArray &contents, int pieces, ImageTableWriter &writer, ImportProgress &progress,
                  ImportMode mode, SRecordSummary &summary, QString &reason)
{
    SRecord::Record record;
    QByteArray upperCase; // holds the stored line until the next one
    qsizetype from = 0;
    for (int index = 0; index < pieces; ++index) {
        qsizetype end = contents.indexOf(LineFeed, from);
        if (end < 0)
            end = contents.size();
        const QByteArrayView piece = QByteArrayView(contents).sliced(from, end - from);
        from = end + 1;
        progress.step();

        const QByteArrayView written = lineOf(piece);
        if (written.isEmpty())
            continue;
        QString problem;
        if (!SRecord::parse(written, record, &problem)) {
            reason = atLine(index, problem);
            return false;
        }
        const QByteArrayView line = upperCaseDigits(written, upperCase);
        const Cutting rule = cuttingFor(line, mode);
        problem = refusal(record, mode);
        if (problem.isEmpty())
            problem = sizeProblem(record, line, rule);
        if (problem.isEmpty())
            problem = recordCountProblem(record, summary);
        if (!problem.isEmpty()) {
            reason = atLine(index, problem);
            return false;
        }
        if (!writer.store(index, cutLine(line, rule), problem)) {
            reason = atLine(index, problem);
            return false;
        }
        count(summary, record);
    }
    return true;
}

} // namespace

ImageRow cutLine(QByteArrayView line, Cutting rule)
{
    const Positions &at = rule == Cutting::RuleB ? RuleBPositions : RuleAPositions;
    const qsizetype length = line.size();
    ImageRow row;
    row.TypeString = text(line, 0, FieldChars);
    row.BytesCount = text(line, FieldChars, FieldChars);
    row.AddressString = text(line, at.address, at.addressChars);
    row.CheckSum = text(line, at.checkSum, FieldChars);
    row.DataString = text(line, at.data, length - at.data - FieldChars);
    row.CheckSum2 = text(line, std::max<qsizetype>(0, length - FieldChars), FieldChars);
    return row;
}

bool importSRecordFile(WindowServices &window, const QString &path, const QString &table, ImportMode mode,
                       SRecordSummary *summary)
{
    SRecordSummary local;
    SRecordSummary &seen = summary ? *summary : local;
    seen = {};
    const auto failed = [&](const QString &reason) {
        seen.problem = reason;
        window.setFailure(reason);
        return false;
    };
    if (!isImageTable(table))
        return failed(QCoreApplication::translate("SRecordImport", "%1 is not an image table").arg(table));

    // The table is emptied before the file is read: a file that cannot be read
    // fails the import like a bad line, and leaves no earlier image behind.
    QString reason;
    ImageTableWriter writer(window.WorkConnection(), table);
    if (!writer.begin(reason))
        return failed(reason);
    QByteArray contents;
    if (!readWholeFile(path, contents, reason, SRecordFileLimit))
        return failed(reason);
    window.noteInput(InputFile::of(path, contents));
    // Every line feed ends a piece and the rest after the last one is a piece too;
    // people count that rest as a line only when it holds something.
    const int pieces = int(contents.count(LineFeed)) + 1;
    seen.lines = contents.endsWith(LineFeed) || contents.isEmpty() ? pieces - 1 : pieces;

    ImportProgress progress(mode == ImportMode::Firmware ? &window.barMain() : nullptr, pieces);
    if (!importPieces(contents, pieces, writer, progress, mode, seen, reason) || !writer.commit(reason))
        return failed(reason);
    return true;
}

bool fncImportMotFile(WindowServices &window, const QString &path, const QString &table)
{
    return importSRecordFile(window, path, table, ImportMode::Boot);
}

bool fncImportFirmwareFile(WindowServices &window, const QString &path, const QString &table)
{
    return importSRecordFile(window, path, table, ImportMode::Firmware);
}
