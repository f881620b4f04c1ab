#include "SRecordFiles.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The commands that need no radio, as a user runs them. `brisk check`: files from
// independent tools accepted, a damaged one refused with the line named, the
// fingerprints those of independent tools. `brisk diff` and `brisk log`. Usage
// errors told apart.
class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();
    void summaryOfAToolFile();
    void fingerprintsAreThoseOfIndependentTools_data();
    void fingerprintsAreThoseOfIndependentTools();
    void diffListsExactlyTheEntriesThatDiffer();
    void logPrintsTheRecordsNewestLast();

private:
    bool runTool(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
    {
        return SRecordFiles::runTool(program, arguments, m_dir.path(), output);
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

namespace {

constexpr int ImageBytes = 256 * 1024;
constexpr quint32 LastFrame = ImageBytes - 128;

// Settings files of one menu and two channels; `b` differs in one menu value and one channel name.
constexpr auto SettingsA = "MR,0,0,01,00145000000,0,0,0,00,00,000,0,0,000000000,00,0,ALPHA\r\n"
                           "MR,1,1,23,00430000000,0,0,0,00,00,000,0,0,000000000,00,0,HARBOUR\r\n"
                           "EX,A,001,00,0,0,5\r\nEX,B,045,01,3,1,12\r\n";
constexpr auto SettingsB = "MR,0,0,01,00145000000,0,0,0,00,00,000,0,0,000000000,00,0,ALPHA\r\n"
                           "MR,1,1,23,00430000000,0,0,0,00,00,000,0,0,000000000,00,0,MARINA\r\n"
                           "EX,A,001,00,0,0,6\r\nEX,B,045,01,3,1,12\r\n";

// S2 records of 1 to 16 random bytes with random gaps from address 0 into the
// last frame, which it need not fill.
QByteArray imageWithGaps(quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray text = SRecordFiles::line('0', 0, "IMG") + '\n';
    quint32 address = 0;
    while (address <= LastFrame) {
        if (address > 0 && random.bounded(8) == 0)
            address = std::min<quint32>(address + random.bounded(1, 600), ImageBytes - 1);
        const int size = std::min<int>(random.bounded(1, 17), ImageBytes - address);
        text += SRecordFiles::line('2', address, SRecordFiles::randomBytes(size, random.generate())) + '\n';
        address += size;
    }
    return text + SRecordFiles::line('8', 0, {}) + '\n';
}

struct Run
{
    int exitCode = -1;
    QString output;
};

Run runBrisk(const QStringList &arguments, const QString &dataFolder = {})
{
    QProcess brisk;
    if (!dataFolder.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder);
        brisk.setProcessEnvironment(environment);
    }
    brisk.start(QStringLiteral(BRISK_EXECUTABLE), arguments);
    if (!brisk.waitForFinished(60000) || brisk.exitStatus() != QProcess::NormalExit)
        return {};
    return {brisk.exitCode(), QString::fromLocal8Bit(brisk.readAllStandardOutput() + brisk.readAllStandardError())};
}

} // namespace

void TestFileCommands::initTestCase()
{
    QVERIFY(SRecordFiles::writeFile(m_dir.filePath("img.bin"), SRecordFiles::randomBytes(ImageBytes)));
    QVERIFY(SRecordFiles::writeFile(m_dir.filePath("small.bin"), SRecordFiles::randomBytes(4096)));
    runTool("srec_cat",
            {"img.bin", "-binary", "-o", "srec_cat.mot", "-address-length=3", "-line-length=46", "-header", "IMG"});
    runTool("objcopy", {"-I", "binary", "-O", "srec", "--srec-len=16", "img.bin", "objcopy.mot"});
    runTool("objcopy", {"-I", "binary", "-O", "srec", "--srec-len=16", "small.bin", "s1.mot"});

    // One checksum digit flipped on line 100 of a clean file.
    QByteArray text = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(ImageBytes));
    QList<QByteArray> lines = text.split('\n');
    QByteArray &line = lines[99];
    line.back() = line.back() == '0' ? '1' : '0';
    QVERIFY(SRecordFiles::writeFile(m_dir.filePath("flipped.mot"), lines.join('\n')));
    QVERIFY(SRecordFiles::writeFile(m_dir.filePath("empty.mot"), ""));
    QVERIFY(SRecordFiles::writeFile(m_dir.filePath("nothing.mot"),
                                    SRecordFiles::imageAsS2(SRecordFiles::randomBytes(ImageBytes)) + "S204000100FA\n"));
    QVERIFY(SRecordFiles::writeFile(path("a.csv"), SettingsA));
    QVERIFY(SRecordFiles::writeFile(path("b.csv"), SettingsB));
    QVERIFY(SRecordFiles::writeFile(path("copy.csv"), SettingsA));
    QVERIFY(SRecordFiles::writeFile(path("damaged.csv"), QByteArray(SettingsA).replace(",00145", ",0145")));
}

void TestFileCommands::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments"); // file names relative to the test's folder
    QTest::addColumn<QString>("needs");         // a file a tool makes, skipped without it
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    QTest::newRow("srec_cat's file") << QStringList{"check", "srec_cat.mot"} << "srec_cat.mot" << 0 << "problem: none";
    QTest::newRow("objcopy's file") << QStringList{"check", "objcopy.mot"} << "objcopy.mot" << 0 << "problem: none";
    QTest::newRow("256 KB as boot loader: too long to announce")
        << QStringList{"check", "srec_cat.mot", "--boot"} << "srec_cat.mot" << 1 << "can be sent: no";
    QTest::newRow("one checksum digit flipped")
        << QStringList{"check", "flipped.mot"} << "" << 1 << "problem: line 100: checksum";
    QTest::newRow("S1 records as boot loader")
        << QStringList{"check", "s1.mot", "--boot"} << "s1.mot" << 1 << "problem: line 2: S1 record refused";
    QTest::newRow("a data record without data")
        << QStringList{"check", "nothing.mot"} << "" << 0 << "note: records that carry nothing: 1 (";
    QTest::newRow("empty file") << QStringList{"check", "empty.mot"} << "" << 1 << "problem: no data records";
    QTest::newRow("missing file") << QStringList{"check", "absent.mot"} << "" << 1 << "problem: cannot read";
    QTest::newRow("diff, same settings") << QStringList{"diff", "a.csv", "copy.csv"} << "" << 0 << "Success";
    QTest::newRow("diff, damaged file") << QStringList{"diff", "a.csv", "damaged.csv"} << "" << 2
                                        << "damaged.csv, line 1: MR field 4";
    QTest::newRow("diff, missing file") << QStringList{"diff", "absent.csv", "a.csv"} << "" << 2 << "absent.csv";
}

void TestFileCommands::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, needs);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    if (!needs.isEmpty() && !QFile::exists(m_dir.filePath(needs)))
        QSKIP("the tool that makes this file is not installed");
    QStringList args{arguments.takeFirst(), "-q"};
    for (const QString &a : arguments)
        args << (a.startsWith('-') ? a : m_dir.filePath(a));
    const Run run = runBrisk(args);
    QVERIFY2(run.output.contains(says), qPrintable(run.output));
    QCOMPARE(run.exitCode, exitCode);
}

void TestFileCommands::summaryOfAToolFile()
{
    if (!QFile::exists(m_dir.filePath("srec_cat.mot")))
        QSKIP("srec_cat is not installed");
    const Run run = runBrisk({"check", "-q", m_dir.filePath("srec_cat.mot")});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.output.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(1, 5), QStringList({"lines: 16386", "records: S0 1, S2 16384, S5 1", "data bytes: 262144",
                                           "addresses: 000000 to 03FFFF", "problem: none"}));
    QVERIFY(lines.contains("can be written: yes"));
}

void TestFileCommands::fingerprintsAreThoseOfIndependentTools_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("boot");
    for (quint32 seed : {1, 2, 3})
        QTest::addRow("image with gaps, seed %u", seed) << imageWithGaps(seed) << false;
    QTest::newRow("boot loader") << SRecordFiles::imageAsS2(SRecordFiles::randomBytes(2000, 4)) << true;
}

// The image as sent is what srec_cat makes of the file with every gap and the
// tail filled with 0xFF; the loader as sent is the file's bytes from address 0.
void TestFileCommands::fingerprintsAreThoseOfIndependentTools()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, boot);
    QVERIFY(SRecordFiles::writeFile(path("fingerprinted.mot"), file));
    QStringList fill{"-fill", "0xFF", "0", "0x40000"};
    QByteArray sha256;
    QByteArray crc32;
    if (!runTool("srec_cat", QStringList{"fingerprinted.mot"} + (boot ? QStringList{} : fill) +
                                 QStringList{"-o", "sent.bin", "-binary"}) ||
        !runTool("sha256sum", {"sent.bin"}, &sha256) || !runTool("crc32", {"sent.bin"}, &crc32))
        QSKIP("srec_cat, sha256sum or crc32 is not installed");
    QCOMPARE(QFileInfo(path("sent.bin")).size(), boot ? 2000 : ImageBytes);

    const Run run = runBrisk(QStringList{"check", "-q", path("fingerprinted.mot")} +
                             (boot ? QStringList{"--boot"} : QStringList{}));
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.output.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.filter(QRegularExpression("^(sha256|crc32): ")),
             QStringList({"sha256: " + sha256.left(64), "crc32: " + crc32.trimmed()}));
}

void TestFileCommands::diffListsExactlyTheEntriesThatDiffer()
{
    const Run run = runBrisk({"diff", path("a.csv"), path("b.csv")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.output.split('\n', Qt::SkipEmptyParts),
             QStringList({R"(menu A 001 00 0 0: a.csv "5", b.csv "6")",
                          R"(channel 1 123: field 16 a.csv "HARBOUR", b.csv "MARINA")",
                          "Failure: 2 entries differ"}));
}

void TestFileCommands::logPrintsTheRecordsNewestLast()
{
    QVERIFY(QDir().mkpath(path("data/BriskHx7730")));
    const QByteArray records[] = {
        R"({"action":"settings read","durationSeconds":75.4,"result":"success","start":"2024-05-01T09:00:00.000Z"})",
        R"({"action":"settings write","device":"/dev/ttyUSB0","result":"failure","reason":"no answer"})",
        R"({"action":"USER firmware write","radioType":"K","result":"stopped","start":"2024-05-02T10:00:00.000Z"})"};
    QVERIFY(SRecordFiles::writeFile(path("data/BriskHx7730/service-log.jsonl"),
                                    records[0] + "\n" + records[1] + "\n" + records[2] + "\n"));

    const Run json = runBrisk({"log", "--json", "--last", "2"}, path("data"));
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(json.output.toUtf8(), records[1] + "\n" + records[2] + "\n");
    const Run table = runBrisk({"log"}, path("data"));
    QCOMPARE(table.exitCode, 0);
    const QStringList lines = table.output.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QVERIFY2(lines.at(1).startsWith("2024-05-01 09:00:00  1:15") && lines.at(1).endsWith("success"),
             qPrintable(lines.at(1)));
    QVERIFY2(lines.at(2).contains("/dev/ttyUSB0") && lines.at(2).endsWith("failure: no answer"),
             qPrintable(lines.at(2)));
    QVERIFY2(lines.at(3).contains("USER firmware write") && lines.at(3).endsWith("stopped"), qPrintable(lines.at(3)));
    QCOMPARE(lines.at(4), "Success");
    QCOMPARE(runBrisk({"log", "--last", "x"}, path("data")).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
