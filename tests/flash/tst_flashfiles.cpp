#include "FlashFixture.h"
#include "LinkTestCase.h"
#include "SRecordFiles.h"

#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "link/LinkTiming.h"
#include "store/SRecordImport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

using SRecordFiles::readFile;

namespace {

} // namespace

// Firmware files made by independent tools, imported and written into the
// simulated radio; what it saves must be what srec_cat reads from the file.
class TestFlashFiles : public LinkTestCase
{
    Q_OBJECT

public:
    TestFlashFiles() : LinkTestCase(300ms) {}

private slots:
    void initTestCase();
    void fileIsWrittenByteForByte_data();
    void fileIsWrittenByteForByte();

private:
    QTemporaryDir m_dir;
};

void TestFlashFiles::initTestCase()
{
    if (QStandardPaths::findExecutable("srec_cat").isEmpty() || QStandardPaths::findExecutable("objcopy").isEmpty())
        QSKIP("srec_cat and objcopy are needed to make the firmware files");
    QVERIFY(m_dir.isValid());
}

void TestFlashFiles::fileIsWrittenByteForByte_data()
{
    const QString image = m_dir.filePath("image.bin");
    QVERIFY(SRecordFiles::writeFile(image, SRecordFiles::randomBytes(FirmwareImage::FullImageBytes, 4)));
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments"); // OUT stands for the file made
    QTest::newRow("S2, srec_cat") << "srec_cat" << QStringList{image,     "-binary",   "-o", "OUT", "-address-length=3",
                                                               "-obs=16", "-header=S2"};
    QTest::newRow("S1 below 64 KB and S2 above, srec_cat")
        << "srec_cat" << QStringList{image, "-binary", "-o", "OUT", "-address-length=2", "-obs=24", "-header=MIX"};
    // objcopy names its output in the S0 header: a short relative name keeps it storable.
    QTest::newRow("S2, objcopy") << "objcopy"
                                 << QStringList{"-I", "binary", "-O", "srec", "--srec-len=16", "image.bin", "OUT"};
    // A hole of 40 KB that the file leaves out, and a step of 192 KB to the last record.
    QTest::newRow("holes, srec_cat") << "srec_cat"
                                     << QStringList{image,        "-binary",  "-exclude",          "0x4000",
                                                    "0xE000",     "-exclude", "0x10000",           "0x3FFF0",
                                                    "-o",         "OUT",      "-address-length=3", "-obs=16",
                                                    "-header=GAP"};
}

void TestFlashFiles::fileIsWrittenByteForByte()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    const QString firmwareName = QString("%1.mot").arg(QTest::currentDataTag()).replace(' ', '_');
    const QString firmware = m_dir.filePath(firmwareName);
    arguments.replaceInStrings(QRegularExpression("^OUT$"), firmwareName);
    QVERIFY(SRecordFiles::runTool(tool, arguments, m_dir.path()));
    const QString loaderBin = m_dir.filePath("loader.bin");
    const QString loaderFile = m_dir.filePath("7730F.REL");
    QVERIFY(SRecordFiles::writeFile(loaderBin, SRecordFiles::randomBytes(2048, 9)));
    QVERIFY(SRecordFiles::runTool(
        "srec_cat", {loaderBin, "-binary", "-o", loaderFile, "-address-length=3", "-obs=16", "-header=LD"}));
    // What an independent reader makes of the file: holes filled as erased flash.
    const QString expectedBin = m_dir.filePath("expected.bin");
    QVERIFY(
        SRecordFiles::runTool("srec_cat", {firmware, "-fill", "0xFF", "0", "0x40000", "-o", expectedBin, "-binary"}));
    const QString saved = m_dir.filePath("saved.bin");

    RecordingServices services;
    FirmwareBench bench;
    QVERIFY(services.isValid() && bench.start());
    bench.model([&](sim::FirmwareRadio &r) { r.setSaveImagePath(saved); });
    QVERIFY(fncImportMotFile(services, loaderFile, "BootPrg"));
    QVERIFY(fncImportFirmwareFile(services, firmware, "UserPrg"));

    QVERIFY2(fncTransmitBootProgram(services), qPrintable(services.failureReason()));
    QVERIFY2(fncTransmitProgram(services, "UserPrg"), qPrintable(services.failureReason()));

    QCOMPARE(bench.model(&sim::FirmwareRadio::loaderBytes), readFile(loaderBin));
    const QByteArray expected = readFile(expectedBin);
    QCOMPARE(expected.size(), FirmwareImage::FullImageBytes);
    QVERIFY(bench.model(&sim::FirmwareRadio::memory) == expected);
    QVERIFY(readFile(saved) == expected);
}

QTEST_GUILESS_MAIN(TestFlashFiles)
#include "tst_flashfiles.moc"
