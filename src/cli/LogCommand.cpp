#include "Commands.h"
#include "CommonOptions.h"
#include "log/ServiceLog.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

const QStringList Headings = {QStringLiteral("start (UTC)"), QStringLiteral("took"),   QStringLiteral("program"),
                              QStringLiteral("action"),      QStringLiteral("device"), QStringLiteral("type"),
                              QStringLiteral("result")};

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
    return {start,
            minutesAndSeconds(record.value(QStringLiteral("durationSeconds")).toDouble()),
            record.value(QStringLiteral("program")).toString(),
            record.value(QStringLiteral("action")).toString(),
            record.value(QStringLiteral("device")).toString(),
            record.value(QStringLiteral("radioType")).toString(),
            result};
}

void printTable(const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QString &heading : Headings)
        widths << heading.size();
    for (const QStringList &row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    for (const QStringList &row : QList<QStringList>{Headings} + rows) {
        QString line;
        for (qsizetype i = 0; i + 1 < row.size(); ++i)
            line += row.at(i).leftJustified(widths.at(i) + 2);
        std::printf("%s\n", qPrintable(line + row.last()));
    }
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
    QByteArrayList lines;
    QString problem;
    if (!ServiceLog::readLines(lines, last, &problem)) {
        std::printf("Failure: %s\n", qPrintable(problem));
        return ExitFailed;
    }
    if (line.parser.isSet(QStringLiteral("json"))) {
        for (const QByteArray &line : lines)
            std::printf("%s\n", line.constData());
        return ExitDone;
    }
    QList<QStringList> rows;
    for (const QByteArray &line : lines) {
        const QJsonDocument record = QJsonDocument::fromJson(line);
        if (record.isObject())
            rows << rowOf(record.object());
        else
            std::fprintf(stderr, "brisk log: a line that is not a record was left out\n");
    }
    if (!rows.isEmpty())
        printTable(rows);
    else
        std::printf("no service records in %s\n", qPrintable(QDir::toNativeSeparators(ServiceLog::path())));
    std::printf("Success\n");
    return ExitDone;
}
