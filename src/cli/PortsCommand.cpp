#include "Commands.h"
#include "CommonOptions.h"

#include "link/SerialPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

const QStringList ComNames{QStringLiteral("COM1"), QStringLiteral("COM2")};

QString describe(const SerialPortEntry &port)
{
    QStringList parts;
    for (const QString &part : {port.description, port.manufacturer, port.serialNumber})
        if (!part.isEmpty())
            parts << part;
    return parts.isEmpty() ? QStringLiteral("(no description)") : parts.join(QStringLiteral(", "));
}

void listPorts()
{
    const QList<SerialPortEntry> ports = SerialPorts::available();
    std::printf("Serial ports:\n");
    if (ports.isEmpty())
        std::printf("  (none found)\n");
    for (const SerialPortEntry &port : ports) {
        std::printf("  %-20s %s\n", qPrintable(port.device), qPrintable(describe(port)));
        if (!port.stableName.isEmpty())
            std::printf("  %-20s %s\n", "", qPrintable(port.stableName));
    }
}

// What stands in the way of opening the device, if anything.
QString mark(const QString &device)
{
    QString reason;
    switch (SerialPorts::probe(device, &reason)) {
    case SerialPorts::State::Free:
        return QString();
    case SerialPorts::State::Missing:
        return QStringLiteral("  [missing]");
    case SerialPorts::State::NotPermitted:
        return QStringLiteral("  [not permitted: %1; is your user in the device's group, e.g. dialout?]").arg(reason);
    case SerialPorts::State::Busy:
        return QStringLiteral("  [busy: %1]").arg(reason);
    case SerialPorts::State::Unusable:
        return QStringLiteral("  [unusable: %1]").arg(reason);
    }
    return QString();
}

void listMapping()
{
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BriskHx7730"));
    std::printf("\nCOM1 and COM2 (section [Ports] of %s):\n", qPrintable(settings.fileName()));
    for (const QString &com : ComNames) {
        const bool isDefault = !settings.contains(QStringLiteral("Ports/") + com);
        const QString device = SerialPorts::mappedDevice(com);
        std::printf("  %s -> %s%s%s\n", qPrintable(com), qPrintable(device), isDefault ? " (default)" : "",
                    qPrintable(mark(device)));
    }
}

} // namespace

int runPorts(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("ports [--set COM1|COM2 DEVICE [--force]]"),
                     QStringLiteral("List the serial ports and what COM1 and COM2 map to; a mapped device that is "
                                    "missing, busy or not permitted is marked. --set maps COM1 or COM2 to a device."),
                     false);
    line.parser.addOption(
        {QStringLiteral("set"), QStringLiteral("Map COM1 or COM2 to DEVICE."), QStringLiteral("COM")});
    line.parser.addOption({QStringLiteral("force"), QStringLiteral("Store DEVICE even though it is not there now.")});
    if (!line.parse(arguments, 0, 1))
        return line.exitCode();
    const QStringList positional = line.positional();
    if (line.parser.isSet(QStringLiteral("set"))) {
        const QString com = line.parser.value(QStringLiteral("set")).toUpper();
        if (!ComNames.contains(com) || positional.size() != 1 || positional.at(0).isEmpty())
            return line.usageError(QStringLiteral("give --set COM1 DEVICE or --set COM2 DEVICE"));
        // Stored as the path it stands for here: a bare name would be looked for elsewhere later.
        const QString device = QDir::cleanPath(QDir::current().absoluteFilePath(positional.at(0)));
        if (!line.parser.isSet(QStringLiteral("force")) && !QFileInfo::exists(device)) {
            std::printf("Failure: there is no device %s now; nothing was stored (--force stores it anyway)\n",
                        qPrintable(QDir::toNativeSeparators(device)));
            return ExitFailed;
        }
        QString reason;
        if (!SerialPorts::setMappedDevice(com, device, &reason)) {
            std::printf("Failure: %s\n", qPrintable(reason));
            return ExitFailed;
        }
    } else if (!positional.isEmpty()) {
        return line.usageError(QStringLiteral("unexpected argument \"%1\"").arg(positional.at(0)));
    }
    listPorts();
    listMapping();
    std::printf("Success\n");
    return ExitDone;
}
