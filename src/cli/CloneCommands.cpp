#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsCompare.h"
#include "clone/SettingsCoverage.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "log/ServiceRecord.h"
#include "store/OutputPath.h"
#include "store/WorkDatabase.h"

#include <cstdio>

namespace {

constexpr int ReadRange = 730; // the settings read's fixed progress range

void startProgress(CliServices &services, const QString &label, int maximum)
{
    services.progress.setLabel(label);
    services.barMain().setMinimum(0);
    services.barMain().setMaximum(maximum);
    services.barMain().setValue(0);
    services.barMain().setVisible(true);
}

// Ends the progress line: whole when the part went through.
bool endProgress(CliServices &services, bool ok)
{
    if (ok)
        services.progress.complete();
    else
        services.progress.setVisible(false);
    return ok;
}

// Type, menus and channels into the working database; the first failure's reason.
bool readRadio(CliServices &services, QString &reason, ServiceRecord &record)
{
    services.clearFailure();
    const QString type = fncTypeRead(services);
    // A radio that does not answer its type would not answer the rest either.
    if (type.isEmpty()) {
        reason = services.failureReason();
        return false;
    }
    std::printf("Type %s\n", qPrintable(type));
    std::fflush(stdout);
    record.setRadioType(type, ServiceRecord::TypeSource::Radio);
    services.clearFailure();
    startProgress(services, QStringLiteral("Reading"), ReadRange);
    // The channels are read even when the menus failed, as the window does.
    const bool menusRead = fncMenuRead(services);
    reason = services.failureReason();
    if (menusRead && services.stopped())
        services.setFailure(QStringLiteral("stopped at the operator's request after the menus were read"));
    const bool channelsRead = !services.stopped() && fncMemoryChennelRead(services);
    if (menusRead)
        reason = services.failureReason();
    return endProgress(services, menusRead && channelsRead);
}

bool writeRadio(CliServices &services)
{
    QSqlDatabase db = services.WorkConnection();
    const int groups = WorkDatabase::countRows(db, memoryGroupQuery());
    const int menus = WorkDatabase::countRows(db, QStringLiteral("SELECT * FROM MenuData"));
    startProgress(services, QStringLiteral("Writing"), groups + menus + 1);
    const bool menusWritten = fncMenuWrite(services);
    const QString menuReason = services.failureReason();
    if (menusWritten && services.stopped())
        services.setFailure(QStringLiteral("stopped at the operator's request after the menu settings were written; "
                                           "the radio holds its own memory channels"));
    const bool channelsWritten = !services.stopped() && fncMemoryChennelWrite(services);
    if (!menusWritten)
        services.setFailure(menuReason);
    return endProgress(services, menusWritten && channelsWritten);
}

// For --full: the file holds every entry a read of this radio gives.
bool isWhole(CliServices &services, QString &reason)
{
    TypeAnswer type;
    if (!readTypeAnswer(services, type)) {
        reason = QStringLiteral("--full needs the radio's type: ") + services.failureReason();
        return false;
    }
    const QString shortOf = coverageText(settingsCoverage(services.WorkConnection(), &type));
    reason = shortOf + QStringLiteral("; --full writes only a whole file");
    return shortOf.isEmpty();
}

int verify(CliServices &services, const SettingsSnapshot &file, ServiceRecord &record)
{
    QString reason;
    if (!readRadio(services, reason, record))
        return services.finish(false, QStringLiteral("reading back: ") + reason);
    const QStringList lines = settingsDifferences(file, settingsSnapshot(services.WorkConnection()),
                                                  QStringLiteral("file"), QStringLiteral("radio"), false);
    for (const QString &line : lines)
        std::printf("%s\n", qPrintable(line));
    return services.finish(lines.isEmpty(), differenceCount(lines.size(), QStringLiteral(" from the file")));
}

} // namespace

int runType(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("type"), QStringLiteral("Show the radio's market type."), true);
    if (!line.parse(arguments, 0, 0))
        return line.exitCode();
    CliServices services(line.settingsText(), line.quiet());
    QString problem;
    if (!services.isValid(&problem))
        return services.finish(false, problem);
    const QString type = fncTypeRead(services);
    if (!type.isEmpty())
        std::printf("Type %s\n", qPrintable(type));
    return services.finish(!type.isEmpty());
}

int runRead(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("read FILE.csv"),
                     QStringLiteral("Read the radio's menus and memory channels into a settings file."), true);
    if (!line.parse(arguments, 1, 1))
        return line.exitCode();
    const QString file = line.positional().at(0);
    CliServices services(line.settingsText(), line.quiet());
    ServiceRecord &record = services.startRecord(ServiceAction::SettingsRead);
    QString reason;
    // Found before a read of half a minute is spent on a file that cannot be saved.
    if (!checkOutputPath(file, reason) || !services.isValid(&reason))
        return services.finish(false, reason);
    if (!readRadio(services, reason, record))
        return services.finish(false, reason);
    if (services.stopped())
        return services.finish(false, QStringLiteral("nothing was saved"));
    const bool saved = fncExportCsvFile(services, file);
    if (saved)
        record.addSavedFile(ServiceFile::Settings, file);
    return services.finish(saved);
}

int runWrite(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("write FILE.csv [--verify] [--full]"),
                     QStringLiteral("Write a settings file's menus and memory channels into the radio."), true);
    line.parser.addOption({QStringLiteral("verify"),
                           QStringLiteral("Read the radio back afterwards and list every entry that differs.")});
    line.parser.addOption({QStringLiteral("full"),
                           QStringLiteral("Refuse a file that does not hold every channel and menu entry a read of "
                                          "the radio gives (the radio would keep its own for the rest).")});
    if (!line.parse(arguments, 1, 1))
        return line.exitCode();
    const QString file = line.positional().at(0);
    CliServices services(line.settingsText(), line.quiet());
    ServiceRecord &record = services.startRecord(ServiceAction::SettingsWrite);
    QString reason;
    if (!services.isValid(&reason)) {
        record.addFile(ServiceFile::Settings, file, reason);
        return services.finish(false, reason);
    }
    const bool imported = fncImportCsvFile(services, file);
    if (!services.inputs().isEmpty())
        record.addFile(ServiceFile::Settings, services.inputs().constFirst());
    else
        record.addFile(ServiceFile::Settings, file, services.failureReason());
    if (!imported)
        return services.finish(false);
    record.noteSettings(services.WorkConnection());
    if (line.parser.isSet(QStringLiteral("full")) && !isWhole(services, reason))
        return services.finish(false, reason);
    const SettingsSnapshot loaded = settingsSnapshot(services.WorkConnection());
    if (!writeRadio(services))
        return services.finish(false);
    if (!line.parser.isSet(QStringLiteral("verify")))
        return services.finish(true);
    return verify(services, loaded, record);
}
