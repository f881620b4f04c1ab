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
    if (!fncImportCsvFile(services, path))
        return false;
    snapshot = settingsSnapshot(services.WorkConnection());
    return true;
}

} // namespace

int runDiff(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("diff A.csv B.csv"),
                     QStringLiteral("Lists every menu and channel entry in which two settings files differ."), false);
    if (!line.parse(arguments, 2, 2))
        return line.exitCode();
    const QStringList files = line.positional();
    CliServices services(QString(), true);
    SettingsSnapshot first;
    SettingsSnapshot second;
    QString problem;
    // A file that does not load is a usage error: there is nothing to compare.
    if (!services.isValid(&problem) || !loadSnapshot(services, files.at(0), first) ||
        !loadSnapshot(services, files.at(1), second)) {
        services.finish(false, problem);
        return ExitUsage;
    }
    // Entries are named by the files' names, or their paths when the names agree.
    QString firstName = QFileInfo(files.at(0)).fileName();
    QString secondName = QFileInfo(files.at(1)).fileName();
    if (firstName == secondName) {
        firstName = files.at(0);
        secondName = files.at(1);
    }
    const QStringList lines = settingsDifferences(first, second, firstName, secondName, true);
    for (const QString &text : lines)
        std::printf("%s\n", qPrintable(text));
    return services.finish(lines.isEmpty(), differenceCount(lines.size()));
}
