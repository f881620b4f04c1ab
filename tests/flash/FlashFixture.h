#pragma once

#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"

#include <QByteArray>
#include <QString>

#include <csignal>
#include <memory>
#include <unistd.h>

// Rows of an image table written the way the import cuts S-record lines.
namespace ImageRows {
// S2 program rows of 16 bytes from address 0 (six address digits; the first data byte in CheckSum).
bool storeProgram(QSqlDatabase db, const QString &table, const QByteArray &image);
// The boot loader as S0, S2 rows (four address digits: the last address byte lands in
// CheckSum, every data byte in DataString) and an S8 end record.
bool storeBoot(QSqlDatabase db, const QByteArray &loader, int perRecord = 16);
} // namespace ImageRows

using SRecordFiles::randomBytes;

// The firmware radio, and an operator who presses Ctrl-C when the n-th byte arrives.
class InterruptingRadio : public sim::FirmwareRadio
{
public:
    explicit InterruptingRadio(int atByte) : m_atByte(atByte) {}
    void receive(char byte, std::vector<sim::Reply> &replies) override
    {
        if (++m_bytes == m_atByte)
            ::kill(::getpid(), SIGINT);
        FirmwareRadio::receive(byte, replies);
    }

private:
    int m_atByte;
    int m_bytes = 0;
};
