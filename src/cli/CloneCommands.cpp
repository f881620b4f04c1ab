#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsCompare.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "log/ServiceRecord.h"
#include "store/WorkDatabase.h"

#include <cstdio>

namespace {

constexpr int ReadRange = 730; // the settings read's fixed progress range

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
bool readRadio(CliServices &services, QString &reason, ServiceRecord &record)
{
    startProgress(services, QStringLiteral("Reading"), ReadRange);
    services.clearFailure();
    const QString type = fncTypeRead(services);
    std::printf("Type %s\n", qPrintable(type));
    std::fflush(stdout);
    if (!services.failureReason().isEmpty())
        std::fprintf(stderr, "brisk: the type query went unanswered: %s\n", qPrintable(services.failureReason()));
    else
        record.setRadioType(type);
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

int verify(CliServices &services, const SettingsSnapshot &file, ServiceRecord &record)
{
    QString reason;
    if (!readRadio(services, reason, record))
        return reportRecorded(record, services, false, QStringLiteral("reading back: ") + reason);
    const QStringList lines = settingsDifferences(file, settingsSnapshot(services.WorkConnection()),
                                                  QStringLiteral("file"), QStringLiteral("radio"), false);
    for (const QString &line : lines)
        std::printf("%s\n", qPrintable(line));
    return reportRecorded(record, services, lines.isEmpty(),
                          QStringLiteral("%1 entries differ from the file").arg(lines.size()));
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
    CliServices services(options.settingsText, options.quiet);
    ServiceRecord record(ServiceRecord::Program::CommandLine, ServiceAction::SettingsRead, options.settingsText);
    QString reason;
    if (!services.isValid(&reason))
        return reportRecorded(record, services, false, reason);
    if (!readRadio(services, reason, record))
        return reportRecorded(record, services, false, reason);
    const bool saved = fncExportCsvFile(services, file);
    if (saved)
        record.addFile(ServiceFile::Settings, file);
    return reportRecorded(record, services, saved, services.failureReason());
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
    ServiceRecord record(ServiceRecord::Program::CommandLine, ServiceAction::SettingsWrite, options.settingsText);
    record.addFile(ServiceFile::Settings, file);
    QString reason;
    if (!services.isValid(&reason))
        return reportRecorded(record, services, false, reason);
    if (!fncImportCsvFile(services, file))
        return reportRecorded(record, services, false, services.failureReason());
    const SettingsSnapshot loaded = settingsSnapshot(services.WorkConnection());
    if (!writeRadio(services))
        return reportRecorded(record, services, false, services.failureReason());
    if (!parser.isSet(QStringLiteral("verify")))
        return reportRecorded(record, services, true, {});
    return verify(services, loaded, record);
}
