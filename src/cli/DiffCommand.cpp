#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "clone/SettingsCompare.h"
#include "clone/SettingsFile.h"

#include <QFileInfo>
#include <cstdio>

namespace {

// The settings a file holds, loaded as `brisk write` would load them.
bool loadSnapshot(CliServices &services, const QString &path, SettingsSnapshot &snapshot)
{
    services.clearFailure();
    if (!fncImportCsvFile(services, path)) {
        std::fprintf(stderr, "brisk diff: %s\n", qPrintable(services.failureReason()));
        return false;
    }
    snapshot = settingsSnapshot(services.WorkConnection());
    return true;
}

} // namespace

int runDiff(const QStringList &arguments)
{
    QCommandLineParser parser;
    addCommonOptions(parser, QStringLiteral("diff A.csv B.csv"),
                     QStringLiteral("Lists every menu and channel entry in which two settings files differ."));
    CommonOptions options;
    int exitCode = ExitDone;
    if (!parseCommand(parser, arguments.mid(1), options, exitCode))
        return exitCode;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2) {
        std::fprintf(stderr, "brisk diff: give two settings files\n%s", qPrintable(parser.helpText()));
        return ExitUsage;
    }
    CliServices services(options.settingsText, true);
    QString problem;
    if (!services.isValid(&problem)) {
        std::fprintf(stderr, "brisk diff: %s\n", qPrintable(problem));
        return ExitUsage;
    }
    SettingsSnapshot first;
    SettingsSnapshot second;
    if (!loadSnapshot(services, files.at(0), first) || !loadSnapshot(services, files.at(1), second))
        return ExitUsage;
    // Entries are named by the files' names, or their paths when the names agree.
    QString firstName = QFileInfo(files.at(0)).fileName();
    QString secondName = QFileInfo(files.at(1)).fileName();
    if (firstName == secondName) {
        firstName = files.at(0);
        secondName = files.at(1);
    }
    const QStringList lines = settingsDifferences(first, second, firstName, secondName, true);
    for (const QString &line : lines)
        std::printf("%s\n", qPrintable(line));
    if (!lines.isEmpty())
        return ExitFailed;
    std::printf("the files hold the same settings\n");
    return ExitDone;
}
