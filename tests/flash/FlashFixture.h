#pragma once

#include "RecordingServices.h"
#include "sim/FirmwareRadio.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Rows of an image table written the way the import cuts S-record lines.
namespace ImageRows {
// S2 program rows (six address digits; the first data byte in CheckSum), `perRecord` bytes each.
bool storeProgram(QSqlDatabase db, const QString &table, const QByteArray &image, int perRecord = 16,
                  quint32 origin = 0, int firstRecNumber = 0);
// One program row at `address`, as S1 (four digits) or S2 (six digits).
bool storeProgramRecord(QSqlDatabase db, const QString &table, int recNumber, const QString &type, quint32 address,
                        const QByteArray &data);
// The boot loader as S0, S2 rows (four address digits: the last address byte lands in
// CheckSum, every data byte in DataString) and an S8 end record.
bool storeBoot(QSqlDatabase db, const QByteArray &loader, int perRecord = 16);
} // namespace ImageRows

// Deterministic bytes that are not a pattern the transfer could get right by accident.
QByteArray noiseBytes(int size, quint32 seed = 7730);

// A firmware-mode radio on a pty, mapped to COM1.
class FirmwareBench
{
public:
    explicit FirmwareBench(sim::FirmwareFaults faults = {}, sim::SimOptions options = {});
    ~FirmwareBench();
    bool started() const { return m_started; }
    sim::SimRadio &radio() { return *m_radio; }
    // Reads the firmware radio's state while it is held still.
    template <typename Fn> auto inspect(Fn fn)
    {
        decltype(fn(std::declval<sim::FirmwareRadio &>())) result{};
        m_radio->withPersonality([&](sim::Personality &p) { result = fn(static_cast<sim::FirmwareRadio &>(p)); });
        return result;
    }
    // True when nobody holds the port: the transfer closed it.
    bool portIsFree();

private:
    std::unique_ptr<sim::SimRadio> m_radio;
    bool m_started = false;
};
