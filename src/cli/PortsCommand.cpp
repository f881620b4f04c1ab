#include "Commands.h"

#include "link/clsBriskHx7730.h"

#include <QCommandLineParser>
#include <QSerialPortInfo>
#include <QSettings>

#include <cstdio>

namespace {

QString describe(const QSerialPortInfo &port)
{
    QStringList parts;
    for (const QString &part : {port.description(), port.manufacturer(), port.serialNumber()})
        if (!part.isEmpty())
            parts << part;
    return parts.isEmpty() ? QStringLiteral("(no description)") : parts.join(QStringLiteral(", "));
}

void listPorts()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::printf("Serial ports:\n");
    if (ports.isEmpty())
        std::printf("  (none found)\n");
    for (const QSerialPortInfo &port : ports)
        std::printf("  %-20s %s\n", qPrintable(port.systemLocation()), qPrintable(describe(port)));
}

void listMapping()
{
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BriskHx7730"));
    std::printf("\nCOM1 and COM2 (section [Ports] of %s):\n", qPrintable(settings.fileName()));
    for (const QString &com : {QStringLiteral("COM1"), QStringLiteral("COM2")}) {
        const QString device = clsBriskHx7730::deviceFor(com);
        const bool isDefault = device == clsBriskHx7730::defaultDevice(com);
        std::printf("  %s -> %s%s\n", qPrintable(com), qPrintable(device), isDefault ? " (default)" : "");
    }
}

} // namespace

int runPorts(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("List the serial ports and what COM1 and COM2 map to."));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("ports"));
    parser.addHelpOption();
    if (!parser.parse(arguments) || !parser.positionalArguments().value(1).isEmpty()) {
        const QString error =
            parser.errorText().isEmpty() ? QStringLiteral("ports takes no arguments") : parser.errorText();
        std::fprintf(stderr, "brisk: %s\n%s", qPrintable(error), qPrintable(parser.helpText()));
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return ExitDone;
    }
    listPorts();
    listMapping();
    return ExitDone;
}
