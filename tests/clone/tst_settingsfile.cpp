#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "clone/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using SRecordFiles::readFile;
using SRecordFiles::writeFile;

namespace {

constexpr auto EmptyChannel = "MR,0,0,01,00000000000,0,0,0,00,00,000,0,0,000000000,00,0,";

bool insertRow(RecordingServices &window, const QString &table, const QStringList &values)
{
    QSqlQuery insert(window.WorkConnection());
    insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                       .arg(table, QStringList(values.size(), QStringLiteral("?")).join(',')));
    for (int i = 0; i < values.size(); ++i)
        insert.bindValue(i, values.at(i));
    return insert.exec();
}

QStringList channel(const QString &entry, const QString &p3, const QString &name)
{
    return {entry, "0", p3, "00000000000", "0", "0", "0", "00", "00", "000", "0", "0", "000000000", "00", "0", name};
}

} // namespace

// The settings file: its format both ways, and the checks that keep a damaged
// file away from a radio.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void exportWrites_data();
    void exportWrites();
    void importLoads_data();
    void importLoads();
    void importRefuses_data();
    void importRefuses();
    void failedSaveLeavesOldFile();

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void TestSettingsFile::exportWrites_data()
{
    QTest::addColumn<QStringList>("menu"); // rows as "A|045|01|3|1|value"
    QTest::addColumn<QStringList>("memory");
    QTest::addColumn<QByteArray>("file");
    const QString emptyRow = "0|0|01|00000000000|0|0|0|00|00|000|0|0|000000000|00|0|";
    QTest::newRow("empty tables: empty file") << QStringList{} << QStringList{} << QByteArray();
    QTest::newRow("MR, then EX in table order, trimmed, CR LF")
        << QStringList{"A|045|01|3|1|", " B |000|00|0|0| x y "} << QStringList{emptyRow}
        << QByteArray(EmptyChannel) + "\r\nEX,A,045,01,3,1,\r\nEX,B,000,00,0,0,x y\r\n";
    QTest::newRow("bytes above 127") << QStringList{QString::fromLatin1("B|020|00|0|0|\xB0")}
                                     << QStringList{emptyRow + QString::fromLatin1("CAF\xC9\xFF")}
                                     << QByteArray(EmptyChannel) + "CAF\xC9\xFF\r\nEX,B,020,00,0,0,\xB0\r\n";
}

void TestSettingsFile::exportWrites()
{
    QFETCH(QStringList, menu);
    QFETCH(QStringList, memory);
    QFETCH(QByteArray, file);
    RecordingServices window;
    for (const QString &row : menu)
        QVERIFY(insertRow(window, "MenuData", row.split('|')));
    for (const QString &row : memory)
        QVERIFY(insertRow(window, "MemoryData", row.split('|')));
    QVERIFY(fncExportCsvFile(window, path("out.csv")));
    QCOMPARE(readFile(path("out.csv")), file);
}

void TestSettingsFile::importLoads_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("memory");
    QTest::addColumn<QStringList>("menu");
    const QString emptyRow = "0|0|01|00000000000|0|0|0|00|00|000|0|0|000000000|00|0|";
    QTest::newRow("empty value") << QByteArray("EX,A,045,01,3,1,\r\n") << QStringList{} << QStringList{"A|045|01|3|1|"};
    QTest::newRow("spaces trimmed") << QByteArray("EX, A ,045,01,3,1,7 \r\n") << QStringList{}
                                    << QStringList{"A|045|01|3|1|7"};
    QTest::newRow("surplus commas stay in the value")
        << QByteArray("EX,B,001,00,0,0,1,2\r\n") << QStringList{} << QStringList{"B|001|00|0|0|1,2"};
    QTest::newRow("surplus commas stay in the name") << QByteArray(EmptyChannel) + "NET,2\r\n"
                                                     << QStringList{emptyRow + "NET,2"} << QStringList{};
    QTest::newRow("bytes above 127") << QByteArray(EmptyChannel) + "CAF\xC9\xFF\r\nEX,B,020,00,0,0,\xB0\r\n"
                                     << QStringList{emptyRow + QString::fromLatin1("CAF\xC9\xFF")}
                                     << QStringList{QString::fromLatin1("B|020|00|0|0|\xB0")};
    QTest::newRow("MR and EX interleaved, lone CR ends a line")
        << QByteArray("EX,A,000,00,0,0,5\r") + EmptyChannel + "\r\nEX,B,000,00,0,0,6\r" << QStringList{emptyRow}
        << QStringList{"A|000|00|0|0|5", "B|000|00|0|0|6"};
    QTest::newRow("LF line ends, as an editor saves them")
        << QByteArray(EmptyChannel) + "NET,2\nEX,A,000,00,0,0,1\n"
        << QStringList{emptyRow + "NET,2"} << QStringList{"A|000|00|0|0|1"};
}

void TestSettingsFile::importLoads()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, memory);
    QFETCH(QStringList, menu);
    RecordingServices window;
    QVERIFY(insertRow(window, "MenuData", {"A", "999", "00", "0", "0", "old"}));
    QVERIFY(writeFile(path("in.csv"), file));
    QVERIFY2(fncImportCsvFile(window, path("in.csv")), qPrintable(window.failureReason()));
    QCOMPARE(window.rows("MemoryData"), memory);
    QCOMPARE(window.rows("MenuData"), menu);
}

void TestSettingsFile::importRefuses_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");
    const QByteArray good = "EX,A,000,00,0,0,1\r\n";
    QTest::newRow("empty file") << QByteArray() << "the file is empty: it holds no MR or EX line";
    QTest::newRow("cut short: the last line has no line end")
        << good + EmptyChannel + "CA"
        << "line 2: the line has no line end: the file was cut short";
    QTest::newRow("';' in a name") << QByteArray(EmptyChannel) + "AB;TY\r\n"
                                   << "line 1: MR field 16 holds \";\", which would end the command";
    QTest::newRow("';' in a menu value") << QByteArray("EX,A,000,00,0,0,1;EX0010000999\r\n")
                                         << "line 1: EX field 6 holds \";\"";
    QTest::newRow("control character in a name") << QByteArray(EmptyChannel) + "CA\x1B"
                                                                               "FE\r\n"
                                                 << "line 1: MR field 16 holds the control character 0x1B";
    QTest::newRow("control character in a menu value")
        << QByteArray("EX,A,000,00,0,0,1\t2\r\n") << "line 1: EX field 6 holds the control character 0x09";
    QTest::newRow("a long line is quoted in part")
        << QByteArray("EX,A,000,00,0,0,") + QByteArray(100, 'x') + "\r\n"
        << "line 1: EX field 6 is \"" + QString(60, 'x') + "...\" (100 characters), at most 16";
    QTest::newRow("trailing empty line") << good + "\r\n"
                                         << "line 2: the line is empty";
    QTest::newRow("lower-case mr") << good + "mr,0,0,01\r\n"
                                   << "line 2: it starts with \"mr,\"";
    QTest::newRow("leading zero stripped") << QByteArray("MR,0,0,1,00000000000,0,0,0,00,00,000,0,0,000000000,00,0,\r\n")
                                           << "line 1: MR field 3 is \"1\" (1 character), expected 2";
    QTest::newRow("shifted field") << QByteArray("MR,0,0,01,00000000000,0,0,0,00,00,00,000,0,0,000000000,00,0,\r\n")
                                   << "line 1: MR field 10 is \"00\"";
    QTest::newRow("too few commas") << QByteArray("EX,A,000,00,0\r\n") << "line 1: an EX line needs 6 fields";
    QTest::newRow("bank C") << QByteArray("EX,C,000,00,0,0,1\r\n") << "line 1: EX field 1 (the bank)";
    QTest::newRow("menu number of 2") << QByteArray("EX,A,45,01,3,1,1\r\n") << "line 1: EX field 2";
    QTest::newRow("value of 17") << QByteArray("EX,A,000,00,0,0,12345678901234567\r\n")
                                 << "line 1: EX field 6 is \"12345678901234567\" (17 characters), at most 16";
    QTest::newRow("name of 9") << QByteArray(EmptyChannel) + "123456789\r\n"
                               << "line 1: MR field 16";
    QTest::newRow("the same entry twice") << good + good << "line 2: the same entry is on an earlier line";
}

void TestSettingsFile::importRefuses()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    RecordingServices window;
    QVERIFY(insertRow(window, "MenuData", {"A", "999", "00", "0", "0", "old"}));
    QVERIFY(writeFile(path("bad.csv"), file));
    QVERIFY(!fncImportCsvFile(window, path("bad.csv")));
    const QString prefix = QDir::toNativeSeparators(path("bad.csv")) + ", ";
    QVERIFY2(window.failureReason().startsWith(prefix + reason), qPrintable(window.failureReason()));
    // Nothing of a bad file is kept, not even the lines before the bad one.
    QCOMPARE(window.rowCount("MenuData"), 0);
    QCOMPARE(window.rowCount("MemoryData"), 0);
}

void TestSettingsFile::failedSaveLeavesOldFile()
{
    QTemporaryDir dir;
    const QString old = dir.filePath("old.csv");
    RecordingServices window;
    QVERIFY(insertRow(window, "MemoryData", channel("0", "01", "OK")));
    // A line end in a name could not be loaded again: the save stops there.
    QVERIFY(insertRow(window, "MemoryData", channel("0", "02", "A\rB")));
    QVERIFY(writeFile(old, "old contents\r\n"));
    QVERIFY(!fncExportCsvFile(window, old));
    QVERIFY2(window.failureReason().contains("cannot save the MemoryData row"), qPrintable(window.failureReason()));
    QCOMPARE(readFile(old), QByteArray("old contents\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.csv"});
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
