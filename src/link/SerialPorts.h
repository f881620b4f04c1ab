#pragma once

#include <QList>
#include <QString>

// A serial port as the system lists it.
struct SerialPortEntry
{
    QString device; // /dev/ttyUSB0
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString stableName; // its link in /dev/serial/by-id, which survives replugging; may be empty

    // The name to map a port to: the stable one where there is one.
    QString preferredName() const { return stableName.isEmpty() ? device : stableName; }
};

// The system's serial ports and the devices that COM1 and COM2 stand for (per-user
// settings Ports/COM1 and Ports/COM2).
namespace SerialPorts {

inline constexpr auto ByIdFolder = "/dev/serial/by-id";

QList<SerialPortEntry> available();
// The link in `byIdFolder` that leads to `device`; empty when none does.
QString stableNameOf(const QString &device, const QString &byIdFolder = QLatin1String(ByIdFolder));

// The device the settings map "COM1" or "COM2" to (the default when none is stored).
QString mappedDevice(const QString &comName);
// An empty `device` restores the default. False with a reason when the settings cannot
// be written.
bool setMappedDevice(const QString &comName, const QString &device, QString *reason = nullptr);

enum class State { Free, Missing, NotPermitted, Busy, Unusable };
// Whether `device` can be opened now; opens it and closes it again to find out.
// `reason` says why not.
State probe(const QString &device, QString *reason = nullptr);

} // namespace SerialPorts
