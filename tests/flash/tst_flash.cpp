#include "FlashFixture.h"
#include "LinkTestCase.h"

#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "link/LinkTiming.h"

#include <QTest>

using namespace std::chrono_literals;
using FirmwareImage::FullImageBytes;

namespace {

constexpr auto ShortReplyLimit = 300ms;

QByteArray fullLayoutAddresses()
{
    QByteArray addresses;
    for (const auto &block : FirmwareImage::Layout)
        addresses += QByteArray::number(block.address, 16) + ' ';
    return addresses;
}

QByteArray addressesOf(const QVector<quint32> &blocks)
{
    QByteArray addresses;
    for (quint32 a : blocks)
        addresses += QByteArray::number(a, 16) + ' ';
    return addresses;
}

} // namespace

// The firmware write, boot loader then program, against the simulated radio on a pty.
class TestFlash : public LinkTestCase
{
    Q_OBJECT

public:
    TestFlash() : LinkTestCase(ShortReplyLimit) {}

private slots:
    void frameSum_data();
    void frameSum();
    void blockCheckOnTheWire_data();
    void blockCheckOnTheWire();
    void fullWriteIsByteExact_data();
    void fullWriteIsByteExact();
    void gapsAreFilledWithFF_data();
    void gapsAreFilledWithFF();
    void unwritableImageIsRefusedBeforeThePortOpens_data();
    void unwritableImageIsRefusedBeforeThePortOpens();
    void bootTransferOnTheWire_data();
    void bootTransferOnTheWire();
    void operatorStopClosesThePort();
};

void TestFlash::frameSum_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("sum");
    QTest::newRow("header only") << "11" << 0;
    QTest::newRow("header excluded") << "110102" << 3;
    QTest::newRow("low 8 bits") << "11FFFF02" << 0x00;
    QTest::newRow("lower case") << "11ff01" << 0x00;
    QTest::newRow("128 x FF") << QString("11") + QString("FF").repeated(128) << 0x80;
}

void TestFlash::frameSum()
{
    QFETCH(QString, frame);
    QFETCH(int, sum);
    QCOMPARE(fncFrameSum(frame), sum);
}

void TestFlash::blockCheckOnTheWire_data()
{
    QTest::addColumn<QByteArray>("firstBlock");
    QTest::addColumn<QByteArray>("check");
    QTest::newRow("all FF") << QByteArray(0x1000, char(0xFF)) << QByteArray::fromHex("11FF");
    QTest::newRow("all 00") << QByteArray(0x1000, '\0') << QByteArray::fromHex("11FF");
    QByteArray sum1234(0x1000, '\0');
    sum1234.replace(0, 18, QByteArray(18, char(0xFF)));
    sum1234[18] = char(0x46); // 18 x 0xFF + 0x46 = 0x1234
    QTest::newRow("sum 0x1234") << sum1234 << QByteArray::fromHex("11CB");
}

void TestFlash::blockCheckOnTheWire()
{
    QFETCH(QByteArray, firstBlock);
    QFETCH(QByteArray, check);
    RecordingServices services;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    QByteArray image = randomBytes(FullImageBytes);
    image.replace(0, firstBlock.size(), firstBlock);
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), {}));
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", image));

    QVERIFY2(fncTransmitBootProgram(services), qPrintable(services.failureReason()));
    QVERIFY(bench.line().waitUntilIdle());
    const qsizetype programStart = bench.line().received().size();
    QVERIFY2(fncTransmitProgram(services, "UserPrg"), qPrintable(services.failureReason()));

    constexpr int FirstCheckAt = 2 + 8 + 32 * 129; // write request, header, 32 frames
    QCOMPARE(bench.line().received().mid(programStart + FirstCheckAt, 2).toHex(), check.toHex());
    QCOMPARE(bench.model(&sim::FirmwareRadio::blocksRefused), 0);
}

void TestFlash::fullWriteIsByteExact_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("perRecord");
    QTest::addColumn<int>("s1Bytes"); // bytes from address 0 carried by S1 rows, stored after the S2 rows
    QTest::addColumn<int>("loaderSize");
    QTest::newRow("S2, 16 bytes a record") << randomBytes(FullImageBytes, 1) << 16 << 0 << 2048;
    QTest::newRow("S2, 26 bytes a record") << randomBytes(FullImageBytes, 2) << 26 << 0 << 300;
    QTest::newRow("S1 below 64 KB, S2 above") << randomBytes(FullImageBytes, 3) << 16 << 0x10000 << 100;
    QTest::newRow("short last frame topped up") << randomBytes(FullImageBytes - 100, 4) << 16 << 0 << 16;
}

void TestFlash::fullWriteIsByteExact()
{
    QFETCH(QByteArray, image);
    QFETCH(int, perRecord);
    QFETCH(int, s1Bytes);
    QFETCH(int, loaderSize);
    RecordingServices services;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    const QByteArray loader = randomBytes(loaderSize, 99);
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), loader));
    // S2 rows first in the file: the query still puts the S1 rows first.
    QVERIFY(
        ImageRows::storeProgram(services.WorkConnection(), "UserPrg", image.mid(s1Bytes), perRecord, quint32(s1Bytes)));
    int line = 100000;
    for (int at = 0; at < s1Bytes; at += perRecord)
        QVERIFY(ImageRows::storeProgramRecord(services.WorkConnection(), "UserPrg", line++, "S1", quint32(at),
                                              image.mid(at, perRecord)));
    const int bootRows = services.rowCount("BootPrg");
    services.progress.setMaximum(bootRows + 2049);

    QVERIFY2(fncTransmitBootProgram(services), qPrintable(services.failureReason()));
    QVERIFY2(fncTransmitProgram(services, "UserPrg"), qPrintable(services.failureReason()));

    QByteArray expected = image;
    expected.append(QByteArray(FullImageBytes - image.size(), char(0xFF)));
    QCOMPARE(bench.model(&sim::FirmwareRadio::loaderBytes), loader);
    QCOMPARE(bench.model(&sim::FirmwareRadio::announcedLength), loaderSize);
    QVERIFY(bench.model(&sim::FirmwareRadio::memory) == expected);
    QCOMPARE(addressesOf(bench.model(&sim::FirmwareRadio::blocksWritten)), fullLayoutAddresses());
    // One step per loader row but S0, one per frame, and back to 0 at the end.
    QCOMPARE(services.progress.values.size(), bootRows - 1 + 2048 + 1);
    QCOMPARE(services.progress.values.at(bootRows - 1 + 2048 - 1), bootRows - 1 + 2048);
    QCOMPARE(services.progress.current, 0);
    QVERIFY(bench.portIsFree());
}

void TestFlash::gapsAreFilledWithFF_data()
{
    QTest::addColumn<int>("gapAt");
    QTest::addColumn<int>("gapBytes");
    QTest::newRow("16 bytes after 000000") << 16 << 16;
    QTest::newRow("40 KB") << 0x1000 << 40 * 1024;
    QTest::newRow("a step beyond 32,767 over the last block") << 0x10000 << 0x30000 - 16;
}

void TestFlash::gapsAreFilledWithFF()
{
    QFETCH(int, gapAt);
    QFETCH(int, gapBytes);
    RecordingServices services;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    const QByteArray image = randomBytes(FullImageBytes, 5);
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", image.left(gapAt)));
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", image.mid(gapAt + gapBytes), 16,
                                    quint32(gapAt + gapBytes), 50000));
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), randomBytes(32)));

    QVERIFY2(fncTransmitBootProgram(services), qPrintable(services.failureReason()));
    QVERIFY2(fncTransmitProgram(services, "UserPrg"), qPrintable(services.failureReason()));

    QByteArray expected = image;
    expected.replace(gapAt, gapBytes, QByteArray(gapBytes, char(0xFF)));
    QVERIFY(bench.model(&sim::FirmwareRadio::memory) == expected);
}

void TestFlash::unwritableImageIsRefusedBeforeThePortOpens_data()
{
    QTest::addColumn<int>("origin");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("overlapAt"); // address of an extra record, -1 for none
    QTest::addColumn<QString>("reason");
    QTest::newRow("short: 1,024 frames") << 0 << FullImageBytes / 2 << -1 << "is 1024 frames";
    QTest::newRow("long: 2,049 frames") << 0 << FullImageBytes + 1 << -1 << "is 2049 frames";
    QTest::newRow("offset: starts at 0x000100")
        << 0x100 << FullImageBytes << -1 << "line 1: the image starts at 0x000100";
    QTest::newRow("overlap") << 0 << FullImageBytes << 0x18
                             << "line 50001: the record at 0x000018 overlaps the one on line 2, which ends at 0x00001F";
}

void TestFlash::unwritableImageIsRefusedBeforeThePortOpens()
{
    QFETCH(int, origin);
    QFETCH(int, size);
    QFETCH(int, overlapAt);
    QFETCH(QString, reason);
    RecordingServices services;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", randomBytes(size), 16, quint32(origin)));
    if (overlapAt >= 0)
        QVERIFY(ImageRows::storeProgramRecord(services.WorkConnection(), "UserPrg", 50000, "S2", quint32(overlapAt),
                                              randomBytes(16)));

    QString checkReason;
    QVERIFY(!isWritableImage(services.WorkConnection(), "UserPrg", &checkReason));
    QVERIFY2(checkReason.contains(reason), qPrintable(checkReason));
    QVERIFY(!fncTransmitProgram(services, "UserPrg"));
    QCOMPARE(services.failureReason(), checkReason);
    QVERIFY(bench.line().waitUntilIdle());
    QCOMPARE(bench.line().received(), QByteArray());
}

Q_DECLARE_METATYPE(sim::FirmwareFaults)

void TestFlash::bootTransferOnTheWire_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<sim::FirmwareFaults>("faults");
    QTest::addColumn<QString>("reason"); // part of the failure's reason; "" succeeds
    QTest::addColumn<int>("zeros");      // at least this many sync zeros before the start request
    QTest::newRow("300 bytes announced 01 2C") << 300 << sim::FirmwareFaults{} << "" << 1;
    QTest::newRow("no loader rows: S0 only, 00 00") << 0 << sim::FirmwareFaults{} << "" << 1;
    QTest::newRow("sync at the fifth zero") << 4 << sim::FirmwareFaults{.syncAfter = 5} << "" << 5;
    // A reply with another byte in the same read does not count. Replies: 1 sync, 2 start,
    // 3-4 length, 5-8 loader, 9 loader running.
    QTest::newRow("doubled sync: the next zero is answered") << 4 << sim::FirmwareFaults{.doubleReplyAt = 1} << "" << 2;
    QTest::newRow("doubled start") << 4 << sim::FirmwareFaults{.doubleReplyAt = 2} << "to the start request" << 0;
    QTest::newRow("doubled length echo") << 4 << sim::FirmwareFaults{.doubleReplyAt = 3} << "high byte" << 0;
    QTest::newRow("doubled loader echo") << 4 << sim::FirmwareFaults{.doubleReplyAt = 6} << "after loader byte 2 of 4"
                                         << 0;
    QTest::newRow("doubled loader running") << 4 << sim::FirmwareFaults{.doubleReplyAt = 9} << "loader running" << 0;
}

void TestFlash::bootTransferOnTheWire()
{
    QFETCH(int, size);
    QFETCH(sim::FirmwareFaults, faults);
    QFETCH(QString, reason);
    QFETCH(int, zeros);
    RecordingServices services;
    FirmwareBench bench(faults);
    QVERIFY(services.isValid() && bench.start());
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), randomBytes(size)));

    QCOMPARE(fncTransmitBootProgram(services), reason.isEmpty());
    QVERIFY2(services.failureReason().contains(reason), qPrintable(services.failureReason()));
    QVERIFY(bench.portIsFree());
    if (!reason.isEmpty())
        return;
    const QByteArray received = bench.line().received();
    const qsizetype start = received.indexOf('\x55');
    QVERIFY(start >= zeros);
    QCOMPARE(received.left(start), QByteArray(start, '\0'));
    QCOMPARE(received.mid(start + 1, 2).toHex(), QByteArray::number(size, 16).rightJustified(4, '0'));
    QCOMPARE(received.size() - start - 3, size);
    QVERIFY(bench.model(&sim::FirmwareRadio::loaderRunning));
}

// Services whose operator asks to stop after a number of polls.
class StoppingServices : public RecordingServices
{
public:
    bool cancelRequested() const override { return waitCursorCalls >= stopAfterPolls; }
    int stopAfterPolls = 0;
};

void TestFlash::operatorStopClosesThePort()
{
    StoppingServices services;
    services.stopAfterPolls = 50;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), randomBytes(3)));
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", randomBytes(FullImageBytes)));

    QVERIFY(fncTransmitBootProgram(services));
    QVERIFY(!fncTransmitProgram(services, "UserPrg"));
    QVERIFY2(services.failureReason().contains("the radio must be written again"),
             qPrintable(services.failureReason()));
    QVERIFY(bench.portIsFree());
    QVERIFY(bench.line().waitUntilIdle());
    QVERIFY(bench.line().received().size() < 50 * 129);
}

QTEST_GUILESS_MAIN(TestFlash)
#include "tst_flash.moc"
