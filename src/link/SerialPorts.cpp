#include "SerialPorts.h"

#include "SerialLine.h"
#include "clsBriskHx7730.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

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
        *reason = QCoreApplication::translate("SerialPorts", "cannot write %1")
                      .arg(QDir::toNativeSeparators(settings.fileName()));
    return false;
}

State probe(const QString &device, QString *reason)
{
    const auto answer = [reason](State state, const QString &why) {
        if (reason)
            *reason = why;
        return state;
    };
    // A bare name is a system port, as the radio's commands take it (ttyUSB0, COM3); by the
    // canonical name, so a by-id link and its ttyUSB name meet the same lock.
    const QString real = SerialLine::canonicalDevice(device);
    if (real.isEmpty())
        return answer(State::Missing, QCoreApplication::translate("SerialPorts", "no such device"));
    SerialLine port;
    if (port.open(real))
        return answer(State::Free, QString());
    switch (port.failure()) {
    case SerialLine::Failure::NoDevice:
        return answer(State::Missing, port.errorString());
    case SerialLine::Failure::NoPermission:
        return answer(State::NotPermitted, port.errorString());
    case SerialLine::Failure::InUse:
        return answer(State::Busy, port.errorString());
    default:
        return answer(State::Unusable, port.errorString());
    }
}

} // namespace SerialPorts
