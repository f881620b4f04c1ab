#include "SerialPorts.h"

#include <QSerialPortInfo>

namespace SerialPorts {

QList<SerialPortEntry> available()
{
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber(),
                      stableNameOf(info.systemLocation())});
    return ports;
}

} // namespace SerialPorts
