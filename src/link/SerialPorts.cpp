#include "SerialPorts.h"

#include "clsBriskHx7730.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BriskHx7730"));
}

QString portKey(const QString &comName)
{
    return QStringLiteral("Ports/") + comName;
}

} // namespace

namespace SerialPorts {

QList<SerialPortEntry> available()
{
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber(),
                      stableNameOf(info.systemLocation())});
    return ports;
}

QString stableNameOf(const QString &device, const QString &byIdFolder)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QDir folder(byIdFolder);
    for (const QString &name : folder.entryList(QDir::System | QDir::Files, QDir::Name)) {
        const QString link = folder.filePath(name);
        if (!target.isEmpty() && QFileInfo(link).canonicalFilePath() == target)
            return link;
    }
    return QString();
}

QString mappedDevice(const QString &comName)
{
    return userSettings().value(portKey(comName), clsBriskHx7730::defaultDevice(comName)).toString();
}

bool setMappedDevice(const QString &comName, const QString &device, QString *reason)
{
    QSettings settings = userSettings();
    if (device.isEmpty())
        settings.remove(portKey(comName)); // back to the default
    else
        settings.setValue(portKey(comName), device);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (reason)
        *reason = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(settings.fileName()));
    return false;
}

State probe(const QString &device, QString *reason)
{
    const auto answer = [reason](State state, const QString &why) {
        if (reason)
            *reason = why;
        return state;
    };
    // A bare name is a system port, as the radio's commands take it (ttyUSB0, COM3).
    const QString path = device.contains(QLatin1Char('/')) ? device : QSerialPortInfo(device).systemLocation();
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty())
        return answer(State::Missing, QStringLiteral("no such device"));
    if (::access(QFile::encodeName(real).constData(), R_OK | W_OK) != 0)
        return answer(errno == EACCES || errno == EPERM ? State::NotPermitted : State::Missing,
                      QString::fromLocal8Bit(std::strerror(errno)));
    // Another program's lock file or exclusive open refuses us here; by the canonical
    // path, so a by-id link and its ttyUSB name meet the same lock.
    QSerialPort port;
    port.setPortName(real);
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return answer(State::Free, QString());
    }
    return answer(port.error() == QSerialPort::PermissionError ? State::Busy : State::Unusable, port.errorString());
}

} // namespace SerialPorts
