#include "FirmwareDifferential.h"
#include "FlashFixture.h"
#include "LinkTestCase.h"

#include "flash/BootTransfer.h"
#include "flash/ProgramTransfer.h"
#include "store/SRecordImport.h"

#include <QStandardPaths>
#include <QTest>

using namespace std::chrono_literals;
using Target = SRecordGenerator::Target;

// Firmware files as Brisk reads them against SRecord's srec_cat: generated files,
// each also with a character changed, and a few written into the simulated radio.
class TestFirmwareDiff : public LinkTestCase
{
    Q_OBJECT

public:
    TestFirmwareDiff() : LinkTestCase(300ms) {}

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("srec_cat").isEmpty())
            QSKIP("srec_cat (package srecord) is the independent reader");
        QVERIFY(m_differential.isValid());
    }
    void generatedFilesReadAsSRecordReadsThem();
    void generatedFilesWrittenOverThePty();

private:
    FirmwareDifferential m_differential;
};

void TestFirmwareDiff::generatedFilesReadAsSRecordReadsThem()
{
    // Two images for every loader; `make fuzz-diff` goes on from here.
    for (quint32 seed = 1; seed <= 200; ++seed) {
        const QString problem = m_differential.checkSeed(seed);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    const QString report = m_differential.report().join('\n');
    qInfo("%s", qPrintable(report));
    // The fixed set meets every reason the generator plants.
    for (const char *reason :
         {"-bit", "upper-case", "S1 record refused", "too long to store", "after its count", "record count says",
          "not at address", "overlaps", "frames", "leaves a gap", "can be announced", "no S1 or S2"})
        QVERIFY2(report.contains(
                     QRegularExpression("^ *\\d+  (image|loader) refused: .*" + QRegularExpression::escape(reason),
                                        QRegularExpression::MultilineOption)),
                 reason);
}

// Generated files imported and written as the window does: what the radio keeps
// is what srec_cat reads.
void TestFirmwareDiff::generatedFilesWrittenOverThePty()
{
    QList<SRecordGenerator::File> files[2]; // images; loaders of a few KB, as every byte waits for its echo
    for (quint32 seed = 1; files[0].size() < 3 || files[1].size() < 3; ++seed) {
        const SRecordGenerator::File file = FirmwareDifferential::fileFor(seed);
        const bool loader = file.target == Target::Loader;
        if (file.refusals.isEmpty() && files[loader].size() < 3 && (!loader || file.text.size() < 12000))
            files[loader].append(file);
    }
    QTemporaryDir dir;
    for (int i = 0; i < 3; ++i) {
        QByteArray image;
        QByteArray loader;
        RecordingServices services;
        FirmwareBench bench;
        QVERIFY(services.isValid() && bench.start());
        QVERIFY(m_differential.srecCat(files[0][i].text, Target::Image, image));
        QVERIFY(m_differential.srecCat(files[1][i].text, Target::Loader, loader));
        QVERIFY(SRecordFiles::writeFile(dir.filePath("user.mot"), files[0][i].text));
        QVERIFY(SRecordFiles::writeFile(dir.filePath("7730F.REL"), files[1][i].text));
        QVERIFY(fncImportMotFile(services, dir.filePath("7730F.REL"), "BootPrg"));
        QVERIFY(fncImportFirmwareFile(services, dir.filePath("user.mot"), "UserPrg"));
        QVERIFY2(fncTransmitBootProgram(services), qPrintable(services.failureReason()));
        QVERIFY2(fncTransmitProgram(services, "UserPrg"), qPrintable(services.failureReason()));
        QCOMPARE(bench.model(&sim::FirmwareRadio::loaderBytes).toHex(), loader.toHex());
        QCOMPARE(bench.model(&sim::FirmwareRadio::announcedLength), loader.size());
        QVERIFY(bench.model(&sim::FirmwareRadio::memory) == image);
        QCOMPARE(bench.model(&sim::FirmwareRadio::blocksWritten).size(), 12);
        QVERIFY(bench.portIsFree());
    }
}

QTEST_GUILESS_MAIN(TestFirmwareDiff)
#include "tst_firmwarediff.moc"
