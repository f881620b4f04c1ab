#include "FirmwareRadio.h"

#include "store/OutputPath.h"

#include <QCommandLineParser>
#include <QSaveFile>
#include <QtEndian>

namespace sim {

namespace {

constexpr quint8 SyncByte = 0x00;
constexpr quint8 StartRequest = 0x55;
constexpr quint8 StartReply = 0xAA;
constexpr quint8 LoaderRunning = 0xAA;
constexpr quint8 WriteRequest[] = {0x57, 0x00};
constexpr quint8 Ready = 0x06;
constexpr quint8 Next = 0x11;
constexpr quint8 Refused = 0x15;
constexpr quint8 FrameHeader = 0x11;
constexpr quint8 CheckHeader = 0x11;
constexpr int HeaderBytes = 8;
constexpr int FrameDataBytes = 128;
constexpr int FrameBytes = 1 + FrameDataBytes;
constexpr int CheckBytes = 2;

struct IntOption
{
    const char *name;
    const char *help;
    int FirmwareFaults::*field;
};

constexpr IntOption FaultOptions[] = {
    {"sync-after", "answer the synchronisation only from the K-th zero on.", &FirmwareFaults::syncAfter},
    {"wrong-echo-at", "echo the K-th length or loader byte wrong.", &FirmwareFaults::wrongEchoAt},
    {"refuse-block", "answer the K-th block check with 0x15.", &FirmwareFaults::refuseBlock},
    {"double-reply-at", "send the K-th reply as two bytes in one write.", &FirmwareFaults::doubleReplyAt},
};

} // namespace

FirmwareRadio::FirmwareRadio(FirmwareFaults faults) : m_faults(faults), m_memory(MemoryBytes, char(0xFF))
{
}

void FirmwareRadio::reply(quint8 byte, std::vector<Reply> &replies, std::chrono::milliseconds delay)
{
    const int copies = ++m_replies == m_faults.doubleReplyAt ? 2 : 1;
    replies.push_back({QByteArray(copies, char(byte)), delay});
}

void FirmwareRadio::echo(quint8 byte, std::vector<Reply> &replies)
{
    reply(++m_echoes == m_faults.wrongEchoAt ? quint8(~byte) : byte, replies);
}

void FirmwareRadio::receive(char received, std::vector<Reply> &replies)
{
    const auto byte = quint8(received);
    switch (m_state) {
    case State::Sync:
        syncByte(byte, replies);
        return;
    case State::LengthHigh:
        m_announced = byte << 8;
        m_state = State::LengthLow;
        echo(byte, replies);
        return;
    case State::LengthLow:
        m_announced |= byte;
        m_state = m_announced == 0 ? State::LoaderIdle : State::Loading;
        echo(byte, replies);
        if (m_state == State::LoaderIdle)
            reply(LoaderRunning, replies, LoaderStartPause);
        return;
    case State::Loading:
        m_loader.append(char(byte));
        echo(byte, replies);
        if (m_loader.size() == m_announced) {
            m_state = State::LoaderIdle;
            reply(LoaderRunning, replies, LoaderStartPause);
        }
        return;
    default:
        loaderByte(byte, replies);
        return;
    }
}

void FirmwareRadio::restart()
{
    m_state = State::Sync;
    m_synced = false;
    m_pending.clear();
    m_block.clear();
}

void FirmwareRadio::syncByte(quint8 byte, std::vector<Reply> &replies)
{
    if (byte == SyncByte) {
        m_synced = ++m_zeros >= m_faults.syncAfter;
        if (m_synced)
            reply(SyncByte, replies);
    } else if (byte == StartRequest && m_synced) {
        m_state = State::LengthHigh;
        m_loader.clear();
        reply(StartReply, replies);
    }
}

void FirmwareRadio::loaderByte(quint8 byte, std::vector<Reply> &replies)
{
    switch (m_state) {
    case State::LoaderIdle:
        if (byte == WriteRequest[0])
            m_state = State::WriteRequest;
        return;
    case State::WriteRequest:
        m_state = byte == WriteRequest[1] ? State::Header : State::LoaderIdle;
        m_pending.clear();
        if (m_state == State::Header)
            reply(Ready, replies);
        return;
    default:
        break;
    }
    m_pending.append(char(byte));
    if (m_state == State::Header && m_pending.size() == HeaderBytes)
        headerComplete(replies);
    else if (m_state == State::Frames && m_pending.size() == FrameBytes)
        frameComplete(replies);
    else if (m_state == State::Check && m_pending.size() == CheckBytes)
        checkComplete(replies);
}

void FirmwareRadio::headerComplete(std::vector<Reply> &replies)
{
    m_blockAddress = qFromBigEndian<quint32>(m_pending.constData());
    m_blockLength = qFromBigEndian<quint32>(m_pending.constData() + 4);
    m_pending.clear();
    m_block.clear();
    const bool fits = m_blockLength > 0 && m_blockLength % FrameDataBytes == 0 &&
                      m_blockAddress % FrameDataBytes == 0 && m_blockAddress + quint64(m_blockLength) <= MemoryBytes;
    if (fits)
        m_state = State::Frames;
    else
        restart();
    reply(fits ? Next : Refused, replies);
}

void FirmwareRadio::frameComplete(std::vector<Reply> &replies)
{
    const bool framed = quint8(m_pending.at(0)) == FrameHeader;
    m_block.append(m_pending.mid(1));
    m_pending.clear();
    if (!framed) {
        restart();
        reply(Refused, replies);
        return;
    }
    if (quint32(m_block.size()) == m_blockLength)
        m_state = State::Check;
    reply(Next, replies);
}

void FirmwareRadio::checkComplete(std::vector<Reply> &replies)
{
    quint8 sum = 0;
    for (char b : std::as_const(m_block))
        sum = quint8(sum + quint8(b));
    const bool right = quint8(m_pending.at(0)) == CheckHeader && quint8(m_pending.at(1)) == quint8(~sum);
    const bool refused = !right || ++m_checks == m_faults.refuseBlock;
    m_pending.clear();
    m_state = State::LoaderIdle;
    if (refused) {
        ++m_refused;
        restart();
        reply(Refused, replies);
        return;
    }
    m_memory.replace(m_blockAddress, m_blockLength, m_block);
    m_written.append(m_blockAddress);
    if (m_blockAddress + m_blockLength == MemoryBytes) {
        m_completeImage = m_memory;
        if (!m_savePath.isEmpty())
            saveImage(nullptr); // a failure is reported by finish()
        restart();
    }
    reply(Ready, replies);
}

bool FirmwareRadio::saveImage(QString *reason) const
{
    QString why;
    if (!checkOutputPath(m_savePath, why)) {
        if (reason)
            *reason = why;
        return false;
    }
    QSaveFile file(m_savePath);
    if (file.open(QIODevice::WriteOnly) && file.write(m_completeImage) == m_completeImage.size() && file.commit())
        return true;
    if (reason)
        *reason = QStringLiteral("cannot save the image to %1: %2").arg(m_savePath, file.errorString());
    return false;
}

// A radio never written to the end has no image to show: whatever file is at
// the path stays as it was, and a write stopped part-way does not replace the image
// of the last complete one.
bool FirmwareRadio::finish(QString *reason)
{
    return m_savePath.isEmpty() || m_completeImage.isEmpty() || saveImage(reason);
}

QList<QCommandLineOption> FirmwareRadio::options()
{
    QList<QCommandLineOption> options{{QStringLiteral("save-image"),
                                       QStringLiteral("Firmware mode: save the 256 KB memory to FILE as the last "
                                                      "complete write left it (nothing before one)."),
                                       QStringLiteral("FILE")}};
    for (const IntOption &option : FaultOptions)
        options.append(
            {QString::fromLatin1(option.name), QStringLiteral("Firmware mode: ") + option.help, QStringLiteral("K")});
    return options;
}

bool FirmwareRadio::applyOptions(const QCommandLineParser &parser, QString *reason)
{
    for (const IntOption &option : FaultOptions) {
        const QString name = QString::fromLatin1(option.name);
        if (!parser.isSet(name))
            continue;
        bool ok = false;
        const int value = parser.value(name).toInt(&ok);
        if (!ok || value < 1) {
            if (reason)
                *reason = QStringLiteral("--%1 takes a number from 1 up").arg(name);
            return false;
        }
        m_faults.*option.field = value;
    }
    if (parser.isSet(QStringLiteral("save-image"))) {
        m_savePath = parser.value(QStringLiteral("save-image"));
        // Refused now rather than after a five-minute write.
        QString why;
        if (!checkOutputPath(m_savePath, why)) {
            if (reason)
                *reason = why;
            return false;
        }
    }
    return true;
}

} // namespace sim
