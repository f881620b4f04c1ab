#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "store/OutputPath.h"
#include "store/WorkDatabase.h"

#include <QMap>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cstdio>

namespace {

constexpr int ReadRange = 730; // the settings read's fixed progress range

// Table rows keyed by their key columns, the other columns joined, all trimmed
// as the settings file holds them.
using KeyedRows = QMap<QString, QStringList>;

QString trimmedSpaces(QString text)
{
    while (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

KeyedRows keyedRows(QSqlDatabase db, const QString &table, int keyColumns)
{
    KeyedRows rows;
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT * FROM ") + table);
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << trimmedSpaces(query.value(i).toString());
        rows.insert(values.mid(0, keyColumns).join(QLatin1Char(' ')), values.mid(keyColumns));
    }
    return rows;
}

struct Snapshot
{
    KeyedRows menus;    // "A 045 01 3 1" -> value
    KeyedRows channels; // "0 1 23" -> fields 4 to 16
};

Snapshot snapshot(QSqlDatabase db)
{
    return {keyedRows(db, QStringLiteral("MenuData"), 5), keyedRows(db, QStringLiteral("MemoryData"), 3)};
}

// Entries of the file that the radio does not hold as written, one line each.
QStringList differences(const Snapshot &file, const Snapshot &radio)
{
    QStringList lines;
    auto compare = [&](const char *kind, const KeyedRows &expected, const KeyedRows &actual) {
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QString name = QStringLiteral("%1 %2").arg(QLatin1String(kind), it.key());
            if (!actual.contains(it.key()))
                lines << name + QStringLiteral(": not read back");
            else if (actual.value(it.key()) != it.value())
                lines << QStringLiteral("%1: file \"%2\", radio \"%3\"")
                             .arg(name, it.value().join(QLatin1Char(',')),
                                  actual.value(it.key()).join(QLatin1Char(',')));
        }
    };
    compare("menu", file.menus, radio.menus);
    compare("channel", file.channels, radio.channels);
    return lines;
}

bool parseWithFile(QCommandLineParser &parser, const QStringList &arguments, CommonOptions &options, QString &file,
                   int &exitCode)
{
    if (!parseCommand(parser, arguments, options, exitCode))
        return false;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        std::fprintf(stderr, "brisk: %s needs one FILE.csv\n%s", qPrintable(positional.value(0)),
                     qPrintable(parser.helpText()));
        exitCode = ExitUsage;
        return false;
    }
    file = positional.at(1);
    return true;
}

void startProgress(CliServices &services, const QString &label, int maximum)
{
    services.progress.setLabel(label);
    services.barMain().setMinimum(0);
    services.barMain().setMaximum(maximum);
    services.barMain().setValue(0);
    services.barMain().setVisible(true);
}

// Type, menus and channels into the working database; the first failure's reason.
bool readRadio(CliServices &services, QString &reason)
{
    startProgress(services, QStringLiteral("Reading"), ReadRange);
    services.clearFailure();
    const QString type = fncTypeRead(services);
    std::printf("Type %s\n", qPrintable(type));
    std::fflush(stdout);
    if (!services.failureReason().isEmpty())
        std::fprintf(stderr, "brisk: the type query went unanswered: %s\n", qPrintable(services.failureReason()));
    services.clearFailure();
    // The channels are read even when the menus failed, as the window does.
    const bool menusRead = fncMenuRead(services);
    reason = services.failureReason();
    const bool channelsRead = fncMemoryChennelRead(services);
    if (menusRead)
        reason = services.failureReason();
    services.barMain().setVisible(false);
    return menusRead && channelsRead;
}

bool writeRadio(CliServices &services)
{
    QSqlDatabase db = services.WorkConnection();
    const int groups = WorkDatabase::countRows(db, memoryGroupQuery());
    const int menus = WorkDatabase::countRows(db, QStringLiteral("SELECT * FROM MenuData"));
    startProgress(services, QStringLiteral("Writing"), groups + menus + 1);
    const bool menusWritten = fncMenuWrite(services);
    const QString menuReason = services.failureReason();
    const bool channelsWritten = fncMemoryChennelWrite(services);
    if (!menusWritten)
        services.setFailure(menuReason);
    services.barMain().setVisible(false);
    return menusWritten && channelsWritten;
}

int verify(CliServices &services, const Snapshot &file)
{
    QString reason;
    if (!readRadio(services, reason))
        return reportResult(false, QStringLiteral("reading back: ") + reason);
    const QStringList lines = differences(file, snapshot(services.WorkConnection()));
    for (const QString &line : lines)
        std::printf("%s\n", qPrintable(line));
    return reportResult(lines.isEmpty(), QStringLiteral("%1 entries differ from the file").arg(lines.size()));
}

} // namespace

int runType(const QStringList &arguments)
{
    QCommandLineParser parser;
    addCommonOptions(parser, QStringLiteral("type"), QStringLiteral("Show the radio's market type."));
    CommonOptions options;
    int exitCode = ExitDone;
    if (!parseCommand(parser, arguments, options, exitCode))
        return exitCode;
    CliServices services(options.settingsText, options.quiet);
    QString problem;
    if (!services.isValid(&problem))
        return reportResult(false, problem);
    const QString type = fncTypeRead(services);
    std::printf("Type %s\n", qPrintable(type));
    if (services.failureReason().isEmpty())
        return ExitDone;
    // Without an answer the label is only the default; say so and fail.
    std::printf("(no answer from the radio: %s)\n", qPrintable(services.failureReason()));
    return ExitFailed;
}

int runRead(const QStringList &arguments)
{
    QCommandLineParser parser;
    addCommonOptions(parser, QStringLiteral("read FILE.csv"),
                     QStringLiteral("Read the radio's menus and memory channels into a settings file."));
    CommonOptions options;
    QString file;
    int exitCode = ExitDone;
    if (!parseWithFile(parser, arguments, options, file, exitCode))
        return exitCode;
    // Found before a read of half a minute is spent on a file that cannot be saved.
    QString reason;
    if (!checkOutputPath(file, reason))
        return reportResult(false, reason);
    CliServices services(options.settingsText, options.quiet);
    if (!services.isValid(&reason))
        return reportResult(false, reason);
    if (!readRadio(services, reason))
        return reportResult(false, reason);
    const bool saved = fncExportCsvFile(services, file);
    return reportResult(saved, services.failureReason());
}

int runWrite(const QStringList &arguments)
{
    QCommandLineParser parser;
    addCommonOptions(parser, QStringLiteral("write FILE.csv"),
                     QStringLiteral("Write a settings file's menus and memory channels into the radio."));
    parser.addOption({QStringLiteral("verify"),
                      QStringLiteral("Read the radio back afterwards and list every entry that differs.")});
    CommonOptions options;
    QString file;
    int exitCode = ExitDone;
    if (!parseWithFile(parser, arguments, options, file, exitCode))
        return exitCode;
    CliServices services(options.settingsText, options.quiet);
    QString reason;
    if (!services.isValid(&reason))
        return reportResult(false, reason);
    if (!fncImportCsvFile(services, file))
        return reportResult(false, services.failureReason());
    const Snapshot loaded = snapshot(services.WorkConnection());
    if (!writeRadio(services))
        return reportResult(false, services.failureReason());
    if (!parser.isSet(QStringLiteral("verify")))
        return reportResult(true, {});
    return verify(services, loaded);
}
