#include "FirmwareDifferential.h"
#include "FlashFixture.h"
#include "LinkTestCase.h"

#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "store/SRecordImport.h"
#include "store/WorkDatabase.h"

#include <QStandardPaths>
#include <QTest>

using namespace std::chrono_literals;
using SRecordFiles::line;
using Target = SRecordGenerator::Target;

Q_DECLARE_METATYPE(SRecordGenerator::Target)

namespace {

// Seeds of the fixed set: two images for every loader, each also changed once.
constexpr quint32 FirstSeed = 1;
constexpr quint32 FixedFiles = 330;

QByteArray lines(const QList<QByteArray> &records)
{
    return records.join("\r\n") + "\r\n";
}

QByteArray lowerCaseDigits(const QByteArray &record)
{
    return record.left(2) + record.mid(2).toLower();
}

} // namespace

// Firmware files as Brisk reads them against SRecord's srec_cat: generated
// files, files with a character changed, the cases that once went wrong, and a
// few generated files written into the simulated radio.
class TestFirmwareDiff : public LinkTestCase
{
    Q_OBJECT

public:
    TestFirmwareDiff() : LinkTestCase(300ms) {}

private slots:
    void initTestCase();
    void generatedFilesReadAsSRecordReadsThem();
    void filesThatWentWrong_data();
    void filesThatWentWrong();
    void generatedFilesWrittenOverThePty();

private:
    FirmwareDifferential m_differential;
};

void TestFirmwareDiff::initTestCase()
{
    if (QStandardPaths::findExecutable("srec_cat").isEmpty())
        QSKIP("srec_cat (package srecord) is the independent reader");
    QVERIFY(m_differential.isValid());
}

void TestFirmwareDiff::generatedFilesReadAsSRecordReadsThem()
{
    for (quint32 seed = FirstSeed; seed < FirstSeed + FixedFiles; ++seed) {
        const QString problem = m_differential.checkSeed(seed);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    qInfo("%s", qPrintable(m_differential.report().join('\n')));
}

void TestFirmwareDiff::filesThatWentWrong_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason"); // "": written as srec_cat reads it

    const QByteArray head = line('0', 0, "HDR");
    const QByteArray first = line('2', 0, SRecordFiles::randomBytes(16, 1));
    const QByteArray last = line('2', 0x3FFF0, SRecordFiles::randomBytes(16, 2));
    QTest::newRow("image: S2 record without data in a gap")
        << Target::Image << lines({head, first, "S204000100FA", last}) << "";
    QTest::newRow("image: S1 record without data in a gap")
        << Target::Image << lines({head, line('1', 0, "ab"), line('1', 0x100, {}), last}) << "";
    QTest::newRow("image: S2 record without data after a short last frame")
        << Target::Image << lines({first, line('2', 0x3FFE0, "tail"), line('2', 0x3FFE4, {})}) << "";
    // Text order put "00B000" before "00aff0": an overlap that was not there.
    QTest::newRow("image: lower-case digits")
        << Target::Image
        << lines({first, lowerCaseDigits(line('2', 0xAFF0, QByteArray(16, 'x'))), line('2', 0xB000, "y"), last}) << "";

    const QByteArray loader = line('2', 0, "abc");
    QTest::newRow("loader: S9 record with data") << Target::Loader << lines({head, loader, "S9050000ABCD82"}) << "";
    QTest::newRow("loader: S8 record with data") << Target::Loader << lines({loader, line('8', 0, "\xCD")}) << "";
    QList<QByteArray> across;
    for (quint32 address = 0xFF0A00; address < 0xFF0B40; address += 16)
        across << (address < 0xFF0B00 ? lowerCaseDigits(line('2', address, QByteArray(16, char(address >> 4))))
                                      : line('2', address, QByteArray(16, char(address >> 4))));
    QTest::newRow("loader: lower-case digits") << Target::Loader << lines(across) << "";
    // The query orders by four of the six address digits: within a page, file order.
    QTest::newRow("loader: records of one page out of order")
        << Target::Loader << lines({line('2', 3, "d"), loader}) << "";
    QTest::newRow("loader: a gap") << Target::Loader << lines({head, loader, line('2', 4, "d")})
                                   << "boot loader line 3: the record at 0x000004 leaves a gap after the one on line "
                                      "2, which ends at 0x000002";
    QTest::newRow("loader: an overlap") << Target::Loader << lines({head, line('2', 2, "d"), loader})
                                        << "boot loader line 2: the record at 0x000002 overlaps the one on line 3, "
                                           "which ends at 0x000002";
    // srec_cat reads 4 data records here, where the S5 record's two address bytes say 0.
    QTest::newRow("loader: S5 record with a byte after its count")
        << Target::Loader << lines({head, "S504000004F7"})
        << "line 2: S5 record refused: bytes after its count make it another count to other readers";
    QTest::newRow("loader: lower-case s2") << Target::Loader << lines({head, "s" + loader.mid(1)})
                                           << "line 2: s2 record refused: a record must start with an "
                                              "upper-case \"S\"";
}

void TestFirmwareDiff::filesThatWentWrong()
{
    QFETCH(Target, target);
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    const FirmwareDifferential::Reading reading = m_differential.brisk(text, target);
    QCOMPARE(reading.reason, reason);
    if (!reason.isEmpty())
        return;
    QByteArray oracle;
    QVERIFY(m_differential.srecCat(text, target, oracle));
    QCOMPARE(reading.bytes.toHex(), oracle.toHex());
}

// Generated files, image and loader, imported and written as the window does;
// what the radio keeps is what srec_cat reads.
void TestFirmwareDiff::generatedFilesWrittenOverThePty()
{
    QList<SRecordGenerator::File> images;
    QList<SRecordGenerator::File> loaders;
    for (quint32 seed = FirstSeed; images.size() < 3 || loaders.size() < 3; ++seed) {
        const SRecordGenerator::File file = FirmwareDifferential::fileFor(seed);
        if (!SRecordGenerator::refusalsFor(file).isEmpty())
            continue;
        // Loaders of a few KB: every loader byte waits for its echo.
        auto &files = file.target == Target::Image ? images : loaders;
        if (files.size() < 3 && (file.target == Target::Image || SRecordGenerator::expectedBytes(file).size() <= 4096))
            files.append(file);
    }
    QTemporaryDir dir;
    for (int i = 0; i < 3; ++i) {
        QByteArray image;
        QByteArray loader;
        QVERIFY(m_differential.srecCat(images.at(i).text, Target::Image, image));
        QVERIFY(m_differential.srecCat(loaders.at(i).text, Target::Loader, loader));
        const QString imagePath = dir.filePath(QString("user%1.mot").arg(i));
        const QString loaderPath = dir.filePath(QString("7730F%1.REL").arg(i));
        QVERIFY(SRecordFiles::writeFile(imagePath, images.at(i).text));
        QVERIFY(SRecordFiles::writeFile(loaderPath, loaders.at(i).text));

        RecordingServices services;
        FirmwareBench bench;
        QVERIFY(services.isValid() && bench.start());
        QVERIFY(fncImportMotFile(services, loaderPath, "BootPrg"));
        QVERIFY(fncImportFirmwareFile(services, imagePath, "UserPrg"));
        services.progress.values.clear();
        QVERIFY2(fncTransmitBootProgram(services), qPrintable(services.failureReason()));
        QVERIFY2(fncTransmitProgram(services, "UserPrg"), qPrintable(services.failureReason()));

        QCOMPARE(bench.model(&sim::FirmwareRadio::loaderBytes).toHex(), loader.toHex());
        QCOMPARE(bench.model(&sim::FirmwareRadio::announcedLength), loader.size());
        QVERIFY(bench.model(&sim::FirmwareRadio::memory) == image);
        QVector<quint32> blocks;
        for (const FirmwareImage::Block &block : FirmwareImage::Layout)
            blocks << block.address;
        QCOMPARE(bench.model(&sim::FirmwareRadio::blocksWritten), blocks);
        // One step per loader row but S0, one per frame, and back to 0 at the end.
        const int loaderRows =
            WorkDatabase::countRows(services.WorkConnection(), "SELECT * FROM BootPrg WHERE TypeString <> 'S0'");
        QCOMPARE(services.progress.values.size(), loaderRows + FirmwareImage::FullImageFrames + 1);
        QCOMPARE(services.progress.current, 0);
        QVERIFY(bench.portIsFree());
    }
}

QTEST_GUILESS_MAIN(TestFirmwareDiff)
#include "tst_firmwarediff.moc"
