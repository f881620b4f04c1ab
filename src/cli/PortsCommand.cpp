#include "Commands.h"
#include "CommonOptions.h"

#include "link/clsBriskHx7730.h"

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
    CommandLine line(QStringLiteral("ports"), QStringLiteral("List the serial ports and what COM1 and COM2 map to."),
                     false);
    if (!line.parse(arguments, 0, 0))
        return line.exitCode();
    listPorts();
    listMapping();
    std::printf("Success\n");
    return ExitDone;
}
