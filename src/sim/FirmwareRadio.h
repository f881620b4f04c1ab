#pragma once

#include "SimRadio.h"

#include <QCommandLineOption>
#include <QVector>

class QCommandLineParser;

namespace sim {

// Faults of the firmware-write mode and the loader; 0 means none. Counted from 1.
struct FirmwareFaults
{
    int syncAfter = 1;     // the radio answers the synchronisation from this zero on
    int wrongEchoAt = 0;   // this echo (length bytes included) comes back wrong
    int refuseBlock = 0;   // this block's check is answered 0x15 even when right
    int doubleReplyAt = 0; // this reply goes out as two bytes in one write
};

// The radio in its firmware-write mode: it takes the boot loader byte by byte,
// echoing each, then plays the loader, which writes 128-byte frames block by
// block into a 256 KB program memory (erased: 0xFF). Once a write has ended (its
// last block written, or a part refused) or the line has gone quiet in the middle of
// one, it waits for the synchronisation again, as a radio put back into firmware-write
// mode would.
class FirmwareRadio : public Personality
{
public:
    static constexpr int MemoryBytes = 0x40000;
    // The radio starts the loader before it reports 0xAA, so that reply comes apart
    // from the last echo, even to a host that is slow to read (a test machine under load).
    static constexpr std::chrono::milliseconds LoaderStartPause{30};
    // Far longer than a host pauses within a write (between the loader and the image it
    // reads the image from its database), far shorter than a technician takes to start
    // the next write.
    static constexpr std::chrono::milliseconds QuietRestart{2000};

    explicit FirmwareRadio(FirmwareFaults faults = {});
    void receive(char byte, std::vector<Reply> &replies) override;
    bool finish(QString *reason) override;
    std::chrono::milliseconds quietLimit() const override { return QuietRestart; }
    void lineQuiet() override { restart(); }

    // Where the memory is saved as the last complete write (its last block written)
    // left it: after each complete write, and again at finish().
    void setSaveImagePath(const QString &path) { m_savePath = path; }

    QByteArray memory() const { return m_memory; }
    QByteArray loaderBytes() const { return m_loader; }
    int announcedLength() const { return m_announced; }
    int zerosReceived() const { return m_zeros; }
    bool loaderRunning() const { return m_state >= State::LoaderIdle; }
    // Addresses of the blocks written (check accepted), in order.
    QVector<quint32> blocksWritten() const { return m_written; }
    int blocksRefused() const { return m_refused; }

    // The options of `brisk sim` for this mode, and applying them.
    static QList<QCommandLineOption> options();
    bool applyOptions(const QCommandLineParser &parser, QString *reason);

private:
    enum class State { Sync, LengthHigh, LengthLow, Loading, LoaderIdle, WriteRequest, Header, Frames, Check };

    void restart();
    void syncByte(quint8 byte, std::vector<Reply> &replies);
    void loaderByte(quint8 byte, std::vector<Reply> &replies);
    void headerComplete(std::vector<Reply> &replies);
    void frameComplete(std::vector<Reply> &replies);
    void checkComplete(std::vector<Reply> &replies);
    void echo(quint8 byte, std::vector<Reply> &replies);
    void reply(quint8 byte, std::vector<Reply> &replies, std::chrono::milliseconds delay = {});
    bool saveImage(QString *reason) const;

    FirmwareFaults m_faults;
    QString m_savePath;
    State m_state = State::Sync;
    bool m_synced = false; // a zero was answered since the last restart
    int m_zeros = 0;
    int m_replies = 0;
    int m_echoes = 0;
    int m_announced = 0;
    QByteArray m_loader;
    QByteArray m_memory;
    QByteArray m_completeImage; // the memory as the last complete write left it
    QByteArray m_pending;       // header, frame or check being collected
    QByteArray m_block;         // data of the block being written
    quint32 m_blockAddress = 0;
    quint32 m_blockLength = 0;
    int m_checks = 0;
    int m_refused = 0;
    QVector<quint32> m_written;
};

} // namespace sim
