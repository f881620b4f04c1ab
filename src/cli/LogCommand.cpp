#include "Commands.h"
#include "CommonOptions.h"
#include "log/EscapedText.h"
#include "log/ServiceLog.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <functional>
#include <utility>

namespace {

const QStringList Headings = {QStringLiteral("start (UTC)"), QStringLiteral("took"),   QStringLiteral("program"),
                              QStringLiteral("action"),      QStringLiteral("device"), QStringLiteral("type"),
                              QStringLiteral("result")};

constexpr qsizetype MaxRecordBytes = 1 << 20; // far above any record; a longer line is not one

QString minutesAndSeconds(double seconds)
{
    const qint64 whole = qRound64(seconds);
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

// One table row; the result column, last, carries the reason.
QStringList rowOf(const QJsonObject &record)
{
    QString start = record.value(QStringLiteral("start")).toString().left(19);
    start.replace(QLatin1Char('T'), QLatin1Char(' '));
    QString result = record.value(QStringLiteral("result")).toString();
    const QString reason = record.value(QStringLiteral("reason")).toString();
    if (!reason.isEmpty())
        result += QStringLiteral(": ") + reason;
    // What a record holds goes to a terminal: its control characters are shown, not obeyed.
    QStringList row{start,
                    minutesAndSeconds(record.value(QStringLiteral("durationSeconds")).toDouble()),
                    record.value(QStringLiteral("program")).toString(),
                    record.value(QStringLiteral("action")).toString(),
                    record.value(QStringLiteral("device")).toString(),
                    record.value(QStringLiteral("radioType")).toString(),
                    result};
    for (QString &field : row)
        field = escapedText(field);
    return row;
}

void printRow(const QStringList &row, const QList<qsizetype> &widths)
{
    QString line;
    for (qsizetype i = 0; i + 1 < row.size(); ++i)
        line += row.at(i).leftJustified(widths.at(i) + 2);
    std::printf("%s\n", qPrintable(line + row.last()));
}

// Each record of the last `count` lines as a table row; a line that is no record is said on stderr
// (the first pass, `quiet`, says nothing).
bool forEachRow(qsizetype count, bool quiet, const std::function<void(const QStringList &)> &take, QString &problem)
{
    QByteArray line;
    bool tooLong = false;
    return ServiceLog::readLog(
        count,
        [&](QByteArrayView piece, bool lineEnds) {
            tooLong = tooLong || line.size() + piece.size() > MaxRecordBytes;
            if (!tooLong)
                line += piece;
            if (!lineEnds)
                return;
            const QJsonDocument record = QJsonDocument::fromJson(line);
            if (!tooLong && record.isObject())
                take(rowOf(record.object()));
            else if (!quiet && (tooLong || !line.isEmpty()))
                std::fprintf(stderr, "brisk log: a line that is not a record was left out\n");
            line.clear();
            tooLong = false;
        },
        &problem);
}

// The lines as they stand, one a line however long; control bytes, which a record's JSON
// never holds raw, escaped as JSON would.
bool printJson(qsizetype count, QString &problem)
{
    bool started = false;
    return ServiceLog::readLog(
        count,
        [&](QByteArrayView piece, bool lineEnds) {
            QByteArray shown;
            for (const char c : piece)
                shown += quint8(c) < 0x20 || c == 0x7F
                             ? QByteArray("\\u00") + QByteArray::number(quint8(c), 16).rightJustified(2, '0')
                             : QByteArray(1, c);
            std::fwrite(shown.constData(), 1, size_t(shown.size()), stdout);
            started = started || !piece.isEmpty();
            if (lineEnds && std::exchange(started, false))
                std::fputc('\n', stdout);
        },
        &problem);
}

} // namespace

int runLog(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("log [--last N] [--json]"),
                     QStringLiteral("Prints the service records, newest last."), false);
    line.parser.addOption({QStringLiteral("last"), QStringLiteral("Only the last N records."), QStringLiteral("N")});
    line.parser.addOption({QStringLiteral("json"),
                           QStringLiteral("The records as they stand in the log, one a line, and nothing else.")});
    if (!line.parse(arguments, 0, 0))
        return line.exitCode();
    bool countOk = true;
    const bool limited = line.parser.isSet(QStringLiteral("last"));
    const int last = limited ? line.parser.value(QStringLiteral("last")).toInt(&countOk) : -1;
    if (!countOk || (limited && last < 0))
        return line.usageError(QStringLiteral("--last takes a count of records"));
    QString problem;
    bool read = true;
    if (line.parser.isSet(QStringLiteral("json"))) {
        read = printJson(last, problem);
    } else {
        // Two passes, so that the table's columns fit without holding its rows.
        QList<qsizetype> widths;
        for (const QString &heading : Headings)
            widths << heading.size();
        int rows = 0;
        read = forEachRow(
            last, true,
            [&](const QStringList &row) {
                ++rows;
                for (qsizetype i = 0; i < row.size(); ++i)
                    widths[i] = std::max(widths[i], row.at(i).size());
            },
            problem);
        if (read && rows > 0) {
            printRow(Headings, widths);
            read = forEachRow(
                last, false, [&](const QStringList &row) { printRow(row, widths); }, problem);
        } else if (read) {
            std::printf("no service records in %s\n", qPrintable(QDir::toNativeSeparators(ServiceLog::path())));
        }
    }
    if (!read) {
        std::printf("Failure: %s\n", qPrintable(problem));
        return ExitFailed;
    }
    if (!line.parser.isSet(QStringLiteral("json")))
        std::printf("Success\n");
    return ExitDone;
}
