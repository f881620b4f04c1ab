#pragma once

#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"

#include <csignal>
#include <unistd.h>

// Rows of an image table cut from S-record lines as the import cuts them: an S0
// header, S2 records from address 0 and an S8 end record.
namespace ImageRows {
// Program rows of 16 bytes (rule B: six address digits).
bool storeProgram(QSqlDatabase db, const QString &table, const QByteArray &image);
// Boot loader rows (rule A: four address digits).
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
