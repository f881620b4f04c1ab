#include "FlashFixture.h"
#include "LinkTestCase.h"

#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "link/LinkTiming.h"
#include "store/SRecordImport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using FirmwareImage::FullImageBytes;

namespace {

constexpr auto ShortReplyLimit = 300ms;

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
    void unsendableFilesAreRefusedBeforeThePortOpens_data();
    void unsendableFilesAreRefusedBeforeThePortOpens();
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

void TestFlash::unsendableFilesAreRefusedBeforeThePortOpens_data()
{
    QTest::addColumn<bool>("loader");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");
    const QByteArray image = randomBytes(FullImageBytes);
    QTest::newRow("image of 1,024 frames")
        << false << SRecordFiles::imageAsS2(image.left(FullImageBytes / 2)) << "the image is 1024 frames";
    QTest::newRow("image with an overlap")
        << false << SRecordFiles::imageAsS2(image) + SRecordFiles::line('2', 0x18, "overlap") + "\n"
        << "line 16387: the record at 0x000018 overlaps the one on line 3, which ends at 0x00001F";
    QTest::newRow("loader with a gap") << true
                                       << SRecordFiles::line('2', 0, "abc") + "\n" + SRecordFiles::line('2', 4, "d") +
                                              "\n"
                                       << "boot loader line 2: the record at 0x000004 leaves a gap";
}

void TestFlash::unsendableFilesAreRefusedBeforeThePortOpens()
{
    QFETCH(bool, loader);
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    RecordingServices services;
    FirmwareBench bench;
    QTemporaryDir dir;
    QVERIFY(services.isValid() && bench.start());
    const QString file = dir.filePath("firmware.mot");
    QVERIFY(SRecordFiles::writeFile(file, text));
    if (loader) {
        QVERIFY(fncImportMotFile(services, file, "BootPrg"));
        QVERIFY(!fncTransmitBootProgram(services));
    } else {
        QVERIFY(fncImportFirmwareFile(services, file, "UserPrg"));
        QString checkReason;
        QVERIFY(!isWritableImage(services.WorkConnection(), "UserPrg", &checkReason));
        QVERIFY(!fncTransmitProgram(services, "UserPrg"));
        QCOMPARE(services.failureReason(), checkReason);
    }
    QVERIFY2(services.failureReason().startsWith(reason), qPrintable(services.failureReason()));
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
    QTest::newRow("doubled start") << 4 << sim::FirmwareFaults{.doubleReplyAt = 2}
                                   << "answered something else after the start request" << 0;
    QTest::newRow("doubled length echo") << 4 << sim::FirmwareFaults{.doubleReplyAt = 3} << "high byte" << 0;
    QTest::newRow("doubled loader echo") << 4 << sim::FirmwareFaults{.doubleReplyAt = 6} << "after loader byte 2 of 4"
                                         << 0;
    QTest::newRow("doubled loader running")
        << 4 << sim::FirmwareFaults{.doubleReplyAt = 9} << "after the whole loader" << 0;
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
    QVERIFY2(services.failureReason().contains("and must be written again"), qPrintable(services.failureReason()));
    QVERIFY(bench.portIsFree());
    QVERIFY(bench.line().waitUntilIdle());
    QVERIFY(bench.line().received().size() < 50 * 129);
}

QTEST_GUILESS_MAIN(TestFlash)
#include "tst_flash.moc"
