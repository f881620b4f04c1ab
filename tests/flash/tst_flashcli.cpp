#include "FlashFixture.h"
#include "LinkTestCase.h"
#include "SRecordFiles.h"

#include "cli/Commands.h"
#include "flash/FirmwareImage.h"
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// `brisk flash` against the simulated radio: files in, exit code and memory out.
class TestFlashCli : public LinkTestCase
{
    Q_OBJECT

public:
    TestFlashCli() : LinkTestCase(300ms) {}

private slots:
    void initTestCase();
    void flashEndsWithItsExitCode_data();
    void flashEndsWithItsExitCode();
    void ctrlCClosesThePortAndStops();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    QByteArray m_user;
    QByteArray m_adjustSJ;
};

void TestFlashCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_user = SRecordFiles::randomBytes(FirmwareImage::FullImageBytes, 11);
    m_adjustSJ = SRecordFiles::randomBytes(FirmwareImage::FullImageBytes, 12);
    QVERIFY(QDir(m_dir.path()).mkpath("ADJ"));
    QVERIFY(SRecordFiles::writeFile(path("user.mot"), SRecordFiles::imageAsS2(m_user)));
    QVERIFY(SRecordFiles::writeFile(path("ADJ/FPU_SJ.D3T"), SRecordFiles::imageAsS2(m_adjustSJ)));
    QVERIFY(SRecordFiles::writeFile(path("ADJ/FPU.D3T"), SRecordFiles::imageAsS2(m_user.left(4096))));
    QVERIFY(SRecordFiles::writeFile(path("7730F.REL"), SRecordFiles::imageAsS2(SRecordFiles::randomBytes(64, 3))));
}

void TestFlashCli::flashEndsWithItsExitCode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("memory"); // empty: the radio must have seen nothing
    const QByteArray erased(FirmwareImage::FullImageBytes, char(0xFF));
    QTest::newRow("user") << QStringList{"user", "user.mot"} << ExitDone << m_user;
    QTest::newRow("adjust, J(S)") << QStringList{"adjust", "--type", "J(S)", "--adj-dir", "ADJ"} << ExitDone
                                  << m_adjustSJ;
    QTest::newRow("adjust, default type: a short image")
        << QStringList{"adjust", "--adj-dir", "ADJ"} << ExitFailed << QByteArray();
    QTest::newRow("user file missing") << QStringList{"user", "none.mot"} << ExitFailed << QByteArray();
}

void TestFlashCli::flashEndsWithItsExitCode()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, memory);
    FirmwareBench bench;
    QVERIFY(bench.start());
    QDir::setCurrent(m_dir.path());
    if (!arguments.contains("--boot"))
        arguments << "--boot" << path("7730F.REL");

    QCOMPARE(
        runFlash(QStringList{"brisk", "flash"} + arguments + QStringList{"-q", "--port", bench.line().devicePath()}),
        exitCode);
    QVERIFY(bench.line().waitUntilIdle());
    if (memory.isEmpty())
        QCOMPARE(bench.line().received(), QByteArray());
    else
        QVERIFY(bench.model(&sim::FirmwareRadio::memory) == memory);
    QVERIFY(bench.portIsFree());
}

void TestFlashCli::ctrlCClosesThePortAndStops()
{
    sim::SimRadio radio(std::make_unique<InterruptingRadio>(5000));
    QVERIFY(radio.start());
    QDir::setCurrent(m_dir.path());

    QCOMPARE(
        runFlash({"brisk", "flash", "user", "user.mot", "--boot", "7730F.REL", "-q", "--port", radio.devicePath()}),
        ExitStopped + SIGINT);
    QVERIFY(radio.waitUntilIdle());
    // The transfer stops at its next poll: no more than the frame under way follows.
    QVERIFY(radio.received().size() < 5000 + 2 * 129);
    clsBriskHx7730::setPortOverride("COM1", radio.devicePath());
    clsBriskHx7730 probe;
    QVERIFY(probe.CommOpen(QString::fromLatin1(SettingsCom1)));
}

QTEST_GUILESS_MAIN(TestFlashCli)
#include "tst_flashcli.moc"
