#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <array>

// The radio's program memory as the boot loader takes it: 128-byte frames,
// grouped into twelve blocks of fixed address and length.
namespace FirmwareImage {

inline constexpr int FrameBytes = 128;
inline constexpr int FullImageFrames = 2048;
inline constexpr int FullImageBytes = FullImageFrames * FrameBytes; // 262,144
inline constexpr char FillByte = char(0xFF);                        // erased flash

struct Block
{
    quint32 address;
    quint32 length;
    int firstFrame() const { return int(address / FrameBytes); }
    int frameCount() const { return int(length / FrameBytes); }
};

// Eight 4 KB blocks, one 32 KB block, three 64 KB blocks, in the order they are written.
inline constexpr std::array<Block, 12> Layout = {{{0x0000, 0x1000},
                                                  {0x1000, 0x1000},
                                                  {0x2000, 0x1000},
                                                  {0x3000, 0x1000},
                                                  {0x4000, 0x1000},
                                                  {0x5000, 0x1000},
                                                  {0x6000, 0x1000},
                                                  {0x7000, 0x1000},
                                                  {0x8000, 0x8000},
                                                  {0x10000, 0x10000},
                                                  {0x20000, 0x10000},
                                                  {0x30000, 0x10000}}};

// The program query on an image table, as the transfer runs it.
QString programQuery(const QString &table);

// A stretch below the image's last data byte that no record fills: it is written as
// 0xFF, as erased flash holds it. The fill after the last data byte is no gap.
struct Gap
{
    qint64 address;
    qint64 size;
};

// The image stream of `table`: each data record's bytes at its address, forward
// gaps filled with 0xFF; records without data carry nothing. `frames` is the
// number of 128-byte frames the stream fills. False with a reason naming the
// record when a record cannot be placed (bad digits, S3, overlap with another
// record, lowest record not at 0).
struct Stream
{
    QByteArray bytes;
    int frames = 0;
    QVector<Gap> gaps;
};
bool buildStream(QSqlDatabase db, const QString &table, Stream &stream, QString *reason);

// True when the stream is exactly 2,048 frames; otherwise false with a reason.
bool isWholeImage(const Stream &stream, QString *reason);

// The stream ready to be written whole: exactly 2,048 frames from address 0, the
// last frame topped up with 0xFF. False with a reason otherwise. `gaps`, when given,
// receives the image's gaps.
bool loadWritableImage(QSqlDatabase db, const QString &table, QByteArray &image, QString *reason,
                       QVector<Gap> *gaps = nullptr);

// The gaps of the image in `table`; none when it holds no image that can be placed.
QVector<Gap> imageGaps(QSqlDatabase db, const QString &table);

// The gaps in words, for the operator (translated in the window): each as its address
// range and size, the first ten, then how many more. Empty without gaps.
QString gapsText(const QVector<Gap> &gaps);

// The block check byte: the one's complement of the 8-bit sum of the block's bytes.
quint8 blockCheck(const QByteArray &blockBytes);

// What `brisk check` says about an image table: frames, blocks, can it be written.
// When it can, `image` receives it as loadWritableImage gives it.
QStringList describe(QSqlDatabase db, const QString &table, bool *writable = nullptr, QByteArray *image = nullptr);

} // namespace FirmwareImage
