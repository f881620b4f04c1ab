#include "SerialPorts.h"

#include <QSettings>

namespace SerialPorts {

// The COM ports Windows knows now, as its device map lists them: the driver's name
// for each, and the COM name to open it by.
QList<SerialPortEntry> available()
{
    QSettings map(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"), QSettings::NativeFormat);
    QList<SerialPortEntry> ports;
    for (const QString &driver : map.childKeys())
        ports.append({map.value(driver).toString(), driver, QString(), QString(), QString()});
    std::sort(ports.begin(), ports.end(), [](const SerialPortEntry &a, const SerialPortEntry &b) {
        return a.device.mid(3).toInt() < b.device.mid(3).toInt();
    });
    return ports;
}

} // namespace SerialPorts
