#include "CommonOptions.h"

#include "Commands.h"
#include "link/clsBriskHx7730.h"
#include "log/ServiceRecord.h"
#include "store/Services.h"

#include <QCoreApplication>
#include <cstdio>

void addCommonOptions(QCommandLineParser &parser, const QString &commandSyntax, const QString &description)
{
    parser.setApplicationDescription(description);
    parser.addPositionalArgument(QStringLiteral("command"), commandSyntax);
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Serial port: COM1, COM2 or a device path (default COM1)."),
                      QStringLiteral("port"), QStringLiteral("COM1")});
    parser.addOption({{QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("Print no progress.")});
    parser.addHelpOption();
    parser.addVersionOption();
}

bool parseCommand(QCommandLineParser &parser, const QStringList &arguments, CommonOptions &options, int &exitCode)
{
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "brisk: %s\n%s", qPrintable(parser.errorText()), qPrintable(parser.helpText()));
        exitCode = ExitUsage;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        exitCode = ExitDone;
        return false;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("brisk %s\n", qPrintable(QCoreApplication::applicationVersion()));
        exitCode = ExitDone;
        return false;
    }
    const QString port = parser.value(QStringLiteral("port"));
    if (port.compare(QLatin1String("COM2"), Qt::CaseInsensitive) == 0) {
        options.settingsText = QString::fromLatin1(SettingsCom2);
    } else {
        options.settingsText = QString::fromLatin1(SettingsCom1);
        if (port.compare(QLatin1String("COM1"), Qt::CaseInsensitive) != 0)
            clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), port);
    }
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    return true;
}

int reportResult(bool ok, const QString &reason)
{
    if (ok) {
        std::printf("Success\n");
        return ExitDone;
    }
    std::printf("Failure\n");
    if (!reason.isEmpty())
        std::printf("%s\n", qPrintable(reason));
    return ExitFailed;
}

int reportRecorded(ServiceRecord &record, const WindowServices &services, bool ok, const QString &reason)
{
    using Result = ServiceRecord::Result;
    const Result result = ok ? Result::Success : services.cancelRequested() ? Result::Stopped : Result::Failure;
    QString problem;
    if (!record.finish(result, reason, &problem))
        std::fprintf(stderr, "brisk: the service record was not written: %s\n", qPrintable(problem));
    return reportResult(ok, reason);
}
