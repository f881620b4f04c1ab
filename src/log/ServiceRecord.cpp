#include "ServiceRecord.h"

#include "ServiceLog.h"
#include "clone/SettingsCoverage.h"
#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "link/clsBriskHx7730.h"
#include "store/FileContents.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace {

QString resultText(ServiceRecord::Result result)
{
    switch (result) {
    case ServiceRecord::Result::Success:
        return QStringLiteral("success");
    case ServiceRecord::Result::Stopped:
        return QStringLiteral("stopped");
    case ServiceRecord::Result::Failure:
        break;
    }
    return QStringLiteral("failure");
}

QJsonObject fileEntry(const char *role, const InputFile &file)
{
    return {{QStringLiteral("role"), QLatin1String(role)},
            {QStringLiteral("path"), file.path},
            {QStringLiteral("size"), file.size},
            {QStringLiteral("sha256"), QString::fromLatin1(file.sha256)}};
}

} // namespace

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

ServiceRecord::ServiceRecord(Program program, const char *action, const QString &settingsText)
    : m_start(QDateTime::currentDateTimeUtc()), m_wireAtStart(clsBriskHx7730::wireBytes())
{
    m_clock.start();
    m_record.insert(QStringLiteral("program"),
                    program == Program::Window ? QStringLiteral("window") : QStringLiteral("command line"));
    m_record.insert(QStringLiteral("version"), QStringLiteral(BRISK_VERSION));
    m_record.insert(QStringLiteral("action"), QLatin1String(action));
    // The port as it was given: COM1, or the device --port named.
    m_record.insert(QStringLiteral("port"), clsBriskHx7730::portGiven(settingsText));
    m_record.insert(QStringLiteral("device"), clsBriskHx7730::deviceFor(settingsText));
}

void ServiceRecord::addFile(const char *role, const InputFile &file)
{
    QJsonObject entry = fileEntry(role, file);
    entry.insert(QStringLiteral("imported"), file.readAt.toString(Qt::ISODateWithMs));
    m_files.append(entry);
}

void ServiceRecord::addFile(const char *role, const QString &path, const QString &error)
{
    m_files.append(QJsonObject{{QStringLiteral("role"), QLatin1String(role)},
                               {QStringLiteral("path"), path.isEmpty() ? path : QFileInfo(path).absoluteFilePath()},
                               {QStringLiteral("error"), error}});
}

void ServiceRecord::addSavedFile(const char *role, const QString &path)
{
    QByteArray contents;
    QString reason;
    if (readWholeFile(path, contents, reason, SettingsFileLimit))
        m_files.append(fileEntry(role, InputFile::of(path, contents)));
    else
        addFile(role, path, reason);
}

void ServiceRecord::setRadioType(const QString &type, TypeSource source)
{
    m_record.insert(QStringLiteral("radioType"), type);
    m_record.insert(QStringLiteral("radioTypeSource"),
                    source == TypeSource::Radio ? QStringLiteral("radio") : QStringLiteral("operator"));
}

void ServiceRecord::noteSettings(QSqlDatabase db)
{
    const SettingsCoverage held = settingsCoverage(db);
    m_record.insert(QStringLiteral("channelEntries"), held.channels);
    m_record.insert(QStringLiteral("menuEntries"), held.menus);
}

void ServiceRecord::noteFirmware(QSqlDatabase db, const QString &table)
{
    QByteArray bytes;
    QVector<FirmwareImage::Gap> gaps;
    if (FirmwareImage::loadWritableImage(db, table, bytes, nullptr, &gaps))
        m_record.insert(QStringLiteral("imageSha256"), sha256Hex(bytes));
    // Every hole the write fills with 0xFF below the image's last data byte.
    QJsonArray holes;
    for (const FirmwareImage::Gap &gap : gaps)
        holes.append(QJsonObject{{QStringLiteral("address"), gap.address}, {QStringLiteral("bytes"), gap.size}});
    if (!holes.isEmpty())
        m_record.insert(QStringLiteral("gaps"), holes);
    if (loadBootProgram(db, bytes, nullptr))
        m_record.insert(QStringLiteral("loaderSha256"), sha256Hex(bytes));
}

bool ServiceRecord::finish(Result result, const QString &reason, QString *problem)
{
    m_record.insert(QStringLiteral("start"), m_start.toString(Qt::ISODateWithMs));
    m_record.insert(QStringLiteral("durationSeconds"), double(m_clock.elapsed()) / 1000.0);
    m_record.insert(QStringLiteral("wireBytes"), qint64(clsBriskHx7730::wireBytes() - m_wireAtStart));
    m_record.insert(QStringLiteral("files"), m_files);
    m_record.insert(QStringLiteral("result"), resultText(result));
    if (result != Result::Success)
        m_record.insert(QStringLiteral("reason"), reason);
    return ServiceLog::append(m_record, problem);
}
