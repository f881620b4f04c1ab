#include "CliServices.h"
#include "Commands.h"
#include "CommonOptions.h"
#include "FlashCommand.h"
#include "store/SRecordImport.h"

#include <QDir>
#include <cstdio>

namespace {

QString hexAddress(qint64 address)
{
    return QStringLiteral("%1").arg(address, 6, 16, QLatin1Char('0')).toUpper();
}

// A file that imports cleanly but brings no data has nothing to write.
void noteMissingData(SRecordSummary &summary)
{
    if (summary.problem.isEmpty() && summary.dataBytes == 0)
        summary.problem = QStringLiteral("no data records");
}

// The summary `brisk check` prints, one line per fact.
QStringList describeImport(const QString &path, const SRecordSummary &summary)
{
    QStringList types;
    for (auto it = summary.recordsByType.cbegin(); it != summary.recordsByType.cend(); ++it)
        types << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    QStringList lines;
    lines << QStringLiteral("file: %1").arg(QDir::toNativeSeparators(path));
    lines << QStringLiteral("lines: %1").arg(summary.lines);
    lines << QStringLiteral("records%1: %2")
                 .arg(summary.problem.isEmpty() ? QString() : QStringLiteral(" before the problem"),
                      types.isEmpty() ? QStringLiteral("none") : types.join(QStringLiteral(", ")));
    lines << QStringLiteral("data bytes: %1").arg(summary.dataBytes);
    if (summary.lowestAddress >= 0)
        lines << QStringLiteral("addresses: %1 to %2")
                     .arg(hexAddress(summary.lowestAddress), hexAddress(summary.highestAddress));
    if (summary.recordsCarryingNothing > 0)
        lines << QStringLiteral("note: records that carry nothing: %1 (data records without data, end records "
                                "with data); no byte of theirs is written")
                     .arg(summary.recordsCarryingNothing);
    lines << QStringLiteral("problem: %1").arg(summary.problem.isEmpty() ? QStringLiteral("none") : summary.problem);
    return lines;
}

} // namespace

int runCheck(const QStringList &arguments)
{
    QCommandLineParser parser;
    addCommonOptions(parser, QStringLiteral("check FILE [--boot]"),
                     QStringLiteral("Validates an S-record file as a firmware image and prints a summary."));
    parser.addOption({QStringLiteral("boot"), QStringLiteral("Check FILE as the boot loader.")});
    CommonOptions options;
    int exitCode = ExitDone;
    if (!parseCommand(parser, arguments.mid(1), options, exitCode))
        return exitCode;
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "brisk check: give one FILE\n%s", qPrintable(parser.helpText()));
        return ExitUsage;
    }
    const QString path = parser.positionalArguments().constFirst();
    const bool boot = parser.isSet(QStringLiteral("boot"));

    CliServices window(options.settingsText, options.quiet);
    QString reason;
    if (!window.isValid(&reason))
        return reportResult(false, reason);
    window.progress.setLabel(QStringLiteral("import"));
    SRecordSummary summary;
    importSRecordFile(window, path, boot ? QStringLiteral("BootPrg") : QStringLiteral("UserPrg"),
                      boot ? ImportMode::Boot : ImportMode::Firmware, &summary);
    noteMissingData(summary);
    for (const QString &line : describeImport(path, summary))
        std::printf("%s\n", qPrintable(line));
    if (!summary.problem.isEmpty())
        return ExitFailed;
    bool writable = false;
    for (const QString &line : describeWritability(window, boot, writable))
        std::printf("%s\n", qPrintable(line));
    return writable ? ExitDone : ExitFailed;
}
