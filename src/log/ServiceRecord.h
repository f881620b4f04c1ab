#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QString>

struct InputFile;

// The actions a service record names.
namespace ServiceAction {
inline constexpr auto UserFirmware = "USER firmware write";
inline constexpr auto AdjustFirmware = "ADJUST firmware write";
inline constexpr auto SettingsRead = "settings read";
inline constexpr auto SettingsWrite = "settings write";
} // namespace ServiceAction

// Roles of the files a record lists.
namespace ServiceFile {
inline constexpr auto BootLoader = "boot loader";
inline constexpr auto Firmware = "firmware";
inline constexpr auto Settings = "settings";
} // namespace ServiceFile

// What one firmware write or settings read or write did, from its start to its
// result, appended to the service log when it ends. Bytes on the wire are the
// bytes sent plus the bytes received on the serial line in between.
class ServiceRecord
{
public:
    enum class Program { Window, CommandLine };
    enum class Result { Success, Failure, Stopped };

    // Starts the clock; `settingsText` names the port ("COM1: baud=...").
    ServiceRecord(Program program, const char *action, const QString &settingsText);

    // Where the radio's type came from: its own answer, or the operator.
    enum class TypeSource { Radio, Operator };

    // An input file as the operation imported it: path, size, SHA-256 and when.
    void addFile(const char *role, const InputFile &file);
    // An input file that could not be read, and why.
    void addFile(const char *role, const QString &path, const QString &error);
    // A file the operation saved, as it is now (read back within the settings file limit).
    void addSavedFile(const char *role, const QString &path);
    void setRadioType(const QString &type, TypeSource source);
    bool hasRadioType() const { return m_record.contains(QStringLiteral("radioType")); }
    // How many channel and menu entries the settings tables hold, for a write.
    void noteSettings(QSqlDatabase db);
    // The SHA-256 of the image in `table` and of the boot loader in BootPrg exactly
    // as the transfers send them, and the image's gaps; what cannot be sent is left out.
    void noteFirmware(QSqlDatabase db, const QString &table);

    // Ends the record and appends it to the service log. False with a reason when
    // it could not be written; the operation's result stays what it was.
    bool finish(Result result, const QString &reason, QString *problem = nullptr);

    QJsonObject json() const { return m_record; }

private:
    QJsonObject m_record;
    QJsonArray m_files;
    QDateTime m_start;
    QElapsedTimer m_clock;
    quint64 m_wireAtStart;
};

// The lower-case hexadecimal SHA-256 of `bytes`.
QString sha256Hex(const QByteArray &bytes);
