#include "FlashFixture.h"
#include "LinkTestCase.h"

#include "flash/BootTransfer.h"
#include "flash/ProgramTransfer.h"
#include "store/SRecordImport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <numeric>

using namespace std::chrono_literals;
using Faults = sim::FirmwareFaults;

Q_DECLARE_METATYPE(sim::FirmwareFaults)

namespace {

constexpr int ImageBytes = 0x40000;

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

} // namespace

// The firmware write, boot loader then program, byte for byte on the wire of the
// simulated radio's pty.
class TestFlash : public LinkTestCase
{
    Q_OBJECT

public:
    TestFlash() : LinkTestCase(300ms) {}

private slots:
    void bootExchangeOnTheWire_data();
    void bootExchangeOnTheWire();
    void programExchangeOnTheWire();
    void unsendableFilesAreRefusedBeforeThePortOpens();
    void operatorStopClosesThePort();
};

void TestFlash::bootExchangeOnTheWire_data()
{
    QTest::addColumn<QByteArray>("loader");
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QString>("host");   // what the radio receives, as a pattern of hex digits
    QTest::addColumn<QString>("reason"); // part of the failure's reason; "" succeeds

    // The radio answers a zero with 00 and 55 with AA, echoes the two length bytes
    // and every loader byte, then sends AA. Its replies: 1 sync, 2 start, 3-4 length,
    // 5-8 loader, 9 loader running. A reply with another byte in the same read does not count.
    const QByteArray loader = randomBytes(300);
    const QByteArray four = QByteArray::fromHex("A1B2C3D4");
    QTest::newRow("300 bytes announced 01 2C") << loader << Faults{} << "^(00)+55012C" + hex(loader) + "$"
                                               << "";
    QTest::newRow("S0 only: 00 00") << QByteArray() << Faults{} << "^(00)+550000$"
                                    << "";
    QTest::newRow("sync at the fifth zero") << four << Faults{.syncAfter = 5} << "^(00){5,}550004A1B2C3D4$"
                                            << "";
    QTest::newRow("doubled sync: the next zero is answered")
        << four << Faults{.doubleReplyAt = 1} << "^(00){2,}550004A1B2C3D4$"
        << "";
    QTest::newRow("doubled start") << four << Faults{.doubleReplyAt = 2} << "^(00)+55$"
                                   << "answered something else after the start request";
    QTest::newRow("doubled length echo") << four << Faults{.doubleReplyAt = 3} << "^(00)+5500$"
                                         << "high byte";
    QTest::newRow("wrong loader echo") << four << Faults{.wrongEchoAt = 4} << "^(00)+550004A1B2$"
                                       << "echoed 0x4D for 0xB2 (loader byte 2 of 4";
    QTest::newRow("doubled loader running") << four << Faults{.doubleReplyAt = 9} << "^(00)+550004A1B2C3D4$"
                                            << "after the whole loader";
}

void TestFlash::bootExchangeOnTheWire()
{
    QFETCH(QByteArray, loader);
    QFETCH(Faults, faults);
    QFETCH(QString, host);
    QFETCH(QString, reason);
    RecordingServices services;
    FirmwareBench bench(faults);
    QVERIFY(services.isValid() && bench.start());
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), loader));

    QCOMPARE(fncTransmitBootProgram(services), reason.isEmpty());
    QVERIFY2(services.failureReason().contains(reason), qPrintable(services.failureReason()));
    QVERIFY(bench.portIsFree());
    QVERIFY(bench.line().waitUntilIdle());
    const QString received = hex(bench.line().received());
    QVERIFY2(QRegularExpression(host).match(received).hasMatch(), qPrintable(received.left(100)));
}

// A whole write: H 57 00, L 06; H block header, L 11; H 11 and 128 image bytes,
// L 11, for every frame of the block; H 11 and the block check, L 06; twelve blocks.
void TestFlash::programExchangeOnTheWire()
{
    // Blocks whose checks are worked by hand: bytes summing to 0x1234 give CB, all 00 and all FF give FF.
    QByteArray image = randomBytes(ImageBytes);
    image.replace(0, 0x1000, QByteArray(18, char(0xFF)) + char(0x46) + QByteArray(0x1000 - 19, '\0'));
    image.replace(0x1000, 0x1000, QByteArray(0x1000, '\0'));
    image.replace(0x2000, 0x1000, QByteArray(0x1000, char(0xFF)));
    const QStringList checks = {"11CB", "11FF", "11FF"};
    const char *const headers[] = {"0000000000001000", "0000100000001000", "0000200000001000", "0000300000001000",
                                   "0000400000001000", "0000500000001000", "0000600000001000", "0000700000001000",
                                   "0000800000008000", "0001000000010000", "0002000000010000", "0003000000010000"};
    QByteArray expected;
    for (const char *header : headers) {
        const QByteArray block = QByteArray::fromHex(header);
        const QByteArray bytes =
            image.mid(qFromBigEndian<quint32>(block.data()), qFromBigEndian<quint32>(block.data() + 4));
        expected += QByteArray::fromHex("5700") + block;
        for (qsizetype frame = 0; frame < bytes.size(); frame += 128)
            expected += '\x11' + bytes.mid(frame, 128);
        const int sum = std::accumulate(bytes.begin(), bytes.end(), 0, [](int s, char b) { return s + quint8(b); });
        expected += '\x11' + QByteArray(1, char(~sum));
    }

    RecordingServices services;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), randomBytes(40))); // S0, three S2 rows, S8
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", image));
    QVERIFY2(fncTransmitBootProgram(services), qPrintable(services.failureReason()));
    QVERIFY(bench.line().waitUntilIdle());
    const qsizetype programStart = bench.line().received().size();
    QVERIFY2(fncTransmitProgram(services, "UserPrg"), qPrintable(services.failureReason()));

    QVERIFY(bench.line().waitUntilIdle());
    const QByteArray wire = bench.line().received().mid(programStart);
    QCOMPARE(wire.size(), expected.size());
    QCOMPARE(std::mismatch(wire.begin(), wire.end(), expected.begin()).first - wire.begin(), wire.size());
    for (int block = 0; block < 3; ++block) // request, header, 32 frames, then the check
        QCOMPARE(hex(wire.mid(block * 4140 + 4138, 2)), checks[block]);
    QVERIFY(bench.model(&sim::FirmwareRadio::memory) == image);
    // One step per loader row but S0, one per frame, and back to 0.
    QList<int> steps(4 + 2048);
    std::iota(steps.begin(), steps.end(), 1);
    QCOMPARE(services.progress.values, steps << 0);
    QVERIFY(bench.portIsFree());
}

// An image that would not be written whole, a loader that would not go out in one piece.
void TestFlash::unsendableFilesAreRefusedBeforeThePortOpens()
{
    RecordingServices services;
    FirmwareBench bench;
    QTemporaryDir dir;
    QVERIFY(services.isValid() && bench.start());
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", randomBytes(ImageBytes / 2)));
    QVERIFY(!fncTransmitProgram(services, "UserPrg"));
    QCOMPARE(services.failureReason(), "the image is 1024 frames (131072 bytes from address 0); a firmware image must "
                                       "be exactly 2048 frames (262144 bytes)");
    const QByteArray loader = SRecordFiles::line('2', 0, "abc") + "\n" + SRecordFiles::line('2', 4, "d");
    QVERIFY(SRecordFiles::writeFile(dir.filePath("7730F.REL"), loader));
    QVERIFY(fncImportMotFile(services, dir.filePath("7730F.REL"), "BootPrg") && !fncTransmitBootProgram(services));
    QCOMPARE(services.failureReason(),
             "boot loader line 2: the record at 0x000004 leaves a gap after the one on line 1, which ends at 0x000002");
    QVERIFY(bench.line().waitUntilIdle());
    QCOMPARE(bench.line().received(), QByteArray());
}

// Services whose operator asks to stop after 50 polls.
class StoppingServices : public RecordingServices
{
public:
    bool cancelRequested() const override { return waitCursorCalls >= 50; }
};

void TestFlash::operatorStopClosesThePort()
{
    StoppingServices services;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    QVERIFY(ImageRows::storeBoot(services.WorkConnection(), randomBytes(3)));
    QVERIFY(ImageRows::storeProgram(services.WorkConnection(), "UserPrg", randomBytes(ImageBytes)));

    QVERIFY(fncTransmitBootProgram(services));
    QVERIFY(!fncTransmitProgram(services, "UserPrg"));
    QVERIFY2(services.failureReason().startsWith("stopped at the operator's request"),
             qPrintable(services.failureReason()));
    QVERIFY(bench.portIsFree());
    QVERIFY(bench.line().waitUntilIdle());
    QVERIFY(bench.line().received().size() < 50 * 129);
}

QTEST_GUILESS_MAIN(TestFlash)
#include "tst_flash.moc"
