#include "SRecordFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// `brisk check` as a user runs it: files from independent tools accepted, a
// damaged one refused with the line named, usage errors told apart.
class TestCheckCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitCodes_data();
    void exitCodes();
    void summaryOfAToolFile();

private:
    bool runTool(const QString &program, const QStringList &arguments)
    {
        return SRecordFiles::runTool(program, arguments, m_dir.path());
    }
    QTemporaryDir m_dir;
};

namespace {

constexpr int ImageBytes = 256 * 1024;

struct Run
{
    int exitCode = -1;
    QString output;
};

Run runBrisk(const QStringList &arguments)
{
    QProcess brisk;
    brisk.start(QStringLiteral(BRISK_EXECUTABLE), arguments);
    if (!brisk.waitForFinished(60000) || brisk.exitStatus() != QProcess::NormalExit)
        return {};
    return {brisk.exitCode(), QString::fromLocal8Bit(brisk.readAllStandardOutput() + brisk.readAllStandardError())};
}

} // namespace

void TestCheckCommand::initTestCase()
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
}

void TestCheckCommand::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments"); // file names relative to the test's folder
    QTest::addColumn<QString>("needs");         // a file a tool makes, skipped without it
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    QTest::newRow("srec_cat's file") << QStringList{"srec_cat.mot"} << "srec_cat.mot" << 0 << "problem: none";
    QTest::newRow("objcopy's file") << QStringList{"objcopy.mot"} << "objcopy.mot" << 0 << "problem: none";
    QTest::newRow("256 KB as boot loader: too long to announce")
        << QStringList{"srec_cat.mot", "--boot"} << "srec_cat.mot" << 1 << "can be sent: no";
    QTest::newRow("one checksum digit flipped")
        << QStringList{"flipped.mot"} << "" << 1 << "problem: line 100: checksum";
    QTest::newRow("S1 records as boot loader")
        << QStringList{"s1.mot", "--boot"} << "s1.mot" << 1 << "problem: line 2: S1 record refused";
    QTest::newRow("a data record without data")
        << QStringList{"nothing.mot"} << "" << 0 << "note: records that carry nothing: 1 (";
    QTest::newRow("empty file") << QStringList{"empty.mot"} << "" << 1 << "problem: no data records";
    QTest::newRow("missing file") << QStringList{"absent.mot"} << "" << 1 << "problem: cannot read";
    QTest::newRow("no file") << QStringList{} << "" << 2 << "give one FILE";
    QTest::newRow("two files") << QStringList{"empty.mot", "flipped.mot"} << "" << 2 << "give one FILE";
    QTest::newRow("unknown option") << QStringList{"empty.mot", "--fast"} << "" << 2 << "Unknown option";
}

void TestCheckCommand::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, needs);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    if (!needs.isEmpty() && !QFile::exists(m_dir.filePath(needs)))
        QSKIP("the tool that makes this file is not installed");
    QStringList args{"check", "-q"};
    for (const QString &a : arguments)
        args << (a.startsWith('-') ? a : m_dir.filePath(a));
    const Run run = runBrisk(args);
    QVERIFY2(run.output.contains(says), qPrintable(run.output));
    QCOMPARE(run.exitCode, exitCode);
}

void TestCheckCommand::summaryOfAToolFile()
{
    if (!QFile::exists(m_dir.filePath("srec_cat.mot")))
        QSKIP("srec_cat is not installed");
    const Run run = runBrisk({"check", "-q", m_dir.filePath("srec_cat.mot")});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.output.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(1, 5), QStringList({"lines: 16386", "records: S0 1, S2 16384, S5 1", "data bytes: 262144",
                                           "addresses: 000000 to 03FFFF", "problem: none"}));
    QCOMPARE(lines.last(), QString("can be written: yes"));
}

QTEST_GUILESS_MAIN(TestCheckCommand)
#include "tst_checkcommand.moc"
