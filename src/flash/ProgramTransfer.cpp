#include "ProgramTransfer.h"

#include "FirmwareImage.h"
#include "FlashLink.h"

#include <QCoreApplication>
#include <QtEndian>

using FirmwareImage::Block;
using FirmwareImage::FrameBytes;

namespace {

constexpr quint8 WriteRequest[] = {0x57, 0x00};
constexpr quint8 Ready = 0x06; // after a write request and after a block check
constexpr quint8 Next = 0x11;  // after a block header and after every frame
constexpr quint8 FrameHeader = 0x11;
constexpr quint8 CheckHeader = 0x11;
constexpr int HeaderBytes = 8; // 0-3: block address, 4-7: block length, big-endian

QByteArray writeRequest()
{
    return QByteArray(reinterpret_cast<const char *>(WriteRequest), sizeof WriteRequest);
}

QByteArray blockHeader(const Block &block)
{
    QByteArray header(HeaderBytes, '\0');
    qToBigEndian<quint32>(block.address, header.data());
    qToBigEndian<quint32>(block.length, header.data() + 4);
    return header;
}

QByteArray frame(const QByteArray &image, int number)
{
    return char(FrameHeader) + image.mid(qsizetype(number) * FrameBytes, FrameBytes);
}

QByteArray blockCheckMessage(int blockSum)
{
    QByteArray message(1, char(CheckHeader));
    message.append(char(~quint8(blockSum)));
    return message;
}

bool writeBlock(WindowServices &window, FlashLink &link, const QByteArray &image, const Block &block, int blockNumber)
{
    const QString where = QCoreApplication::translate("ProgramTransfer", "block %1 (address 0x%2)")
                              .arg(blockNumber)
                              .arg(QString::number(block.address, 16).toUpper().rightJustified(6, QLatin1Char('0')));
    if (!link.exchange(writeRequest(), Ready,
                       QCoreApplication::translate("ProgramTransfer", "the write request for %1").arg(where)))
        return false;
    if (!link.exchange(blockHeader(block), Next,
                       QCoreApplication::translate("ProgramTransfer", "the header of %1").arg(where)))
        return false;
    int blockSum = 0;
    for (int i = 0; i < block.frameCount(); ++i) {
        const QByteArray message = frame(image, block.firstFrame() + i);
        blockSum += fncFrameSum(HexText::fromBytes(message));
        if (!link.exchange(message, Next,
                           QCoreApplication::translate("ProgramTransfer", "frame %1 of %2").arg(i + 1).arg(where)))
            return false;
        window.barMain().step();
    }
    return link.exchange(blockCheckMessage(blockSum), Ready,
                         QCoreApplication::translate("ProgramTransfer", "the block check of %1").arg(where),
                         QCoreApplication::translate("ProgramTransfer", "%1: its check did not match").arg(where));
}

bool writeBlocks(WindowServices &window, FlashLink &link, const QByteArray &image, int blockCount)
{
    for (int i = 0; i < blockCount; ++i)
        if (!writeBlock(window, link, image, FirmwareImage::Layout.at(i), i + 1))
            return false;
    return true;
}

} // namespace

int fncFrameSum(const QString &frame)
{
    QByteArray bytes;
    HexText::toBytes(frame, bytes);
    int sum = 0;
    for (qsizetype i = 1; i < bytes.size(); ++i)
        sum += quint8(bytes.at(i));
    return sum & 0xFF;
}

bool isWritableImage(QSqlDatabase db, const QString &table, QString *reason)
{
    QByteArray image;
    return FirmwareImage::loadWritableImage(db, table, image, reason);
}

bool fncTransmitProgram(WindowServices &window, const QString &table)
{
    window.clearFailure();
    QByteArray image;
    QString reason;
    QVector<FirmwareImage::Gap> gaps;
    if (!FirmwareImage::loadWritableImage(window.WorkConnection(), table, image, &reason, &gaps)) {
        window.setFailure(reason);
        return false;
    }
    // A record missing from a file leaves no trace but its gap: the operator hears of it.
    if (!gaps.isEmpty())
        window.addNote(FirmwareImage::gapsText(gaps));
    return transmitProgramImage(window, image, int(FirmwareImage::Layout.size()));
}

bool transmitProgramImage(WindowServices &window, const QByteArray &image, int blockCount)
{
    if (image.size() != FirmwareImage::FullImageBytes || blockCount < 0 ||
        blockCount > int(FirmwareImage::Layout.size())) {
        window.setFailure(QCoreApplication::translate("ProgramTransfer", "not a whole image"));
        return false;
    }
    FlashLink link(window);
    const bool done = link.open() && !link.stopRequested() && writeBlocks(window, link, image, blockCount);
    link.close();
    if (done)
        window.barMain().setValue(0);
    return done;
}
