#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "store/SRecordImport.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ImportMode)

// Importing S-record files into the image tables: the cut of each record shape
// under both procedures, what is refused (and that nothing of a refused file
// stays), progress and the summary.
class TestSRecordImport : public QObject
{
    Q_OBJECT

private slots:
    void cutsRecords_data();
    void cutsRecords();
    void refusesFiles_data();
    void refusesFiles();
    void importDrivesTheBar_data();
    void importDrivesTheBar();
    void importsMoreThan32767Lines();
    void columnLimitHoldsAfterImport();
    void summaryCountsRecords();

private:
    bool import(RecordingServices &w, ImportMode mode, const QByteArray &text, SRecordSummary *summary = nullptr);
    QTemporaryDir m_dir;
};

namespace {

const QByteArray S0 = "S00900006F2E73726563AC";
const QByteArray S1 = "S1130000285F245F2212226A000424290008237C2A";
const QByteArray S2 = "S21403FFF0F56A2D7E454B517B6AD54FF86611E7941B";

QString tableFor(ImportMode mode)
{
    return mode == ImportMode::Boot ? QStringLiteral("BootPrg") : QStringLiteral("UserPrg");
}

} // namespace

bool TestSRecordImport::import(RecordingServices &w, ImportMode mode, const QByteArray &text, SRecordSummary *summary)
{
    static int serial = 0;
    const QString path = m_dir.filePath(QStringLiteral("f%1.mot").arg(++serial));
    if (!SRecordFiles::writeFile(path, text))
        return false;
    if (summary)
        return importSRecordFile(w, path, tableFor(mode), mode, summary);
    return mode == ImportMode::Boot ? fncImportMotFile(w, path, tableFor(mode))
                                    : fncImportFirmwareFile(w, path, tableFor(mode));
}

void TestSRecordImport::cutsRecords_data()
{
    QTest::addColumn<ImportMode>("mode");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("row"); // RecNumber|TypeString|BytesCount|AddressString|CheckSum|DataString|CheckSum2

    for (ImportMode mode : {ImportMode::Boot, ImportMode::Firmware}) {
        const char *name = mode == ImportMode::Boot ? "boot" : "firmware";
        QTest::addRow("%s: S0", name) << mode << S0 << "0|S0|09|0000|6F|2E73726563|AC";
        QTest::addRow("%s: S5", name) << mode << QByteArray("S5030000FC") << "0|S5|03|0000|FC||FC";
        QTest::addRow("%s: S8, rule A", name) << mode << QByteArray("S804000000FB") << "0|S8|04|0000|00||FB";
        QTest::addRow("%s: S9", name) << mode << QByteArray("S9030000FC") << "0|S9|03|0000|FC||FC";
    }
    QTest::newRow("firmware: 42-character S1, rule A")
        << ImportMode::Firmware << S1 << "0|S1|13|0000|28|5F245F2212226A000424290008237C|2A";
    QTest::newRow("firmware: S2, rule B")
        << ImportMode::Firmware << S2 << "0|S2|14|03FFF0|F5|6A2D7E454B517B6AD54FF86611E794|1B";
    QTest::newRow("boot: S2, rule A") << ImportMode::Boot << S2
                                      << "0|S2|14|03FF|F0|F56A2D7E454B517B6AD54FF86611E794|1B";
    // Digits are stored upper-case so that AddressString sorts by address.
    QTest::newRow("firmware: lower-case digits, rule B")
        << ImportMode::Firmware << QByteArray("S" + S2.mid(1).toLower())
        << "0|S2|14|03FFF0|F5|6A2D7E454B517B6AD54FF86611E794|1B";
    QTest::newRow("firmware: spaces and CR around")
        << ImportMode::Firmware << QByteArray("  S9030000FC \r") << "0|S9|03|0000|FC||FC";
}

void TestSRecordImport::cutsRecords()
{
    QFETCH(ImportMode, mode);
    QFETCH(QByteArray, line);
    QFETCH(QString, row);
    RecordingServices w;
    QVERIFY2(import(w, mode, line + "\n"), qPrintable(w.failureReason()));
    QCOMPARE(w.rows(tableFor(mode)), QStringList{row});
}

void TestSRecordImport::refusesFiles_data()
{
    QTest::addColumn<ImportMode>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");

    // Each kind of refusal once; which reason each generated file must get is
    // checked against srec_cat in tst_firmwarediff.
    for (ImportMode mode : {ImportMode::Boot, ImportMode::Firmware}) {
        const char *name = mode == ImportMode::Boot ? "boot" : "firmware";
        QTest::addRow("%s: checksum digit flipped", name)
            << mode << QByteArray(S0 + "\n" + S2 + "\n" + S2.left(S2.size() - 1) + "C\n")
            << "line 3: checksum is 1C, the record's bytes give 1B";
        QTest::addRow("%s: garbage line after blank ones", name)
            << mode << QByteArray(S0 + "\n\n\nhello\n") << "line 4: not an S-record: it does not start with \"S\"";
        QTest::addRow("%s: lower-case s9", name) << mode << QByteArray(S2 + "\ns9030000fc\n")
                                                 << "line 2: s9 record refused: a record must start with an upper-case "
                                                    "\"S\"";
    }
    QTest::newRow("boot: S7") << ImportMode::Boot << QByteArray(S0 + "\nS70500000000FA\n")
                              << "line 2: S7 record refused: 32-bit addresses do not fit the image table";
    QTest::newRow("boot: S1") << ImportMode::Boot << QByteArray(S0 + "\n" + S1 + "\n")
                              << "line 2: S1 record refused in the boot loader: only S2 records are sent whole";
    QTest::newRow("firmware: srec_cat's default header")
        << ImportMode::Firmware << QByteArray(SRecordFiles::line('0', 0, QByteArray(30, 'h')) + "\n")
        << "line 1: record too long to store: 30 data bytes, at most 26 fit";
    QTest::newRow("firmware: record count short")
        << ImportMode::Firmware << QByteArray(S0 + "\n" + S2 + "\nS5030002FA\n")
        << "line 3: record count says 2 data records, the file has 1 before it";
}

void TestSRecordImport::refusesFiles()
{
    QFETCH(ImportMode, mode);
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    RecordingServices w;
    // Rows of an earlier import must go too: a refused file leaves the table empty.
    QVERIFY(import(w, mode, S0 + "\nS9030000FC\n"));
    QCOMPARE(w.rowCount(tableFor(mode)), 2);
    QVERIFY(!import(w, mode, text));
    QCOMPARE(w.failureReason(), reason);
    QCOMPARE(w.rowCount(tableFor(mode)), 0);
}

void TestSRecordImport::importDrivesTheBar_data()
{
    QTest::addColumn<ImportMode>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("values"); // empty: the bar is left alone

    // Four lines and the empty piece after the last line feed: five steps.
    const QByteArray clean = S0 + "\n" + S2 + "\n\nS9030000FC\n";
    QTest::newRow("firmware") << ImportMode::Firmware << clean << QList<int>{0, 1, 2, 3, 4, 5, 0};
    QTest::newRow("firmware refused at line 2")
        << ImportMode::Firmware << QByteArray(S0 + "\nS30612345678AA3B\n\n") << QList<int>{0, 1, 2, 0};
    QTest::newRow("boot") << ImportMode::Boot << clean << QList<int>{};
}

void TestSRecordImport::importDrivesTheBar()
{
    QFETCH(ImportMode, mode);
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, values);
    RecordingServices w;
    w.progress.minimum = 7;
    import(w, mode, text);
    QCOMPARE(w.progress.values, values);
    if (values.isEmpty()) {
        QVERIFY(w.progress.visibility.isEmpty());
        return;
    }
    QCOMPARE(w.progress.minimum, 0);
    QCOMPARE(w.progress.maximum, text.count('\n') + 1);
    QCOMPARE(w.progress.visibility, QList<bool>({true, false}));
}

void TestSRecordImport::importsMoreThan32767Lines()
{
    RecordingServices w;
    QVERIFY2(import(w, ImportMode::Firmware, SRecordFiles::imageAsS2(SRecordFiles::randomBytes(40000 * 2), 2)),
             qPrintable(w.failureReason()));
    QCOMPARE(w.rowCount("UserPrg"), 40002);
}

void TestSRecordImport::columnLimitHoldsAfterImport()
{
    RecordingServices w;
    QVERIFY(import(w, ImportMode::Boot, S0 + "\n"));
    QVERIFY(!import(w, ImportMode::Boot, "S3\n"));
    QSqlQuery q(w.WorkConnection());
    QVERIFY(!q.exec(QString("INSERT INTO BootPrg VALUES (9,'S1','13','0000','00','%1','FF')").arg(QString(51, 'A'))));
}

void TestSRecordImport::summaryCountsRecords()
{
    RecordingServices w;
    SRecordSummary summary;
    // An S2 record without data and an S9 record with data carry nothing.
    QVERIFY(import(w, ImportMode::Firmware,
                   S0 + "\n" + S1 + "\n\n" + S2 + "\nS204000100FA\nS5030003F9\nS9050000ABCD82\n", &summary));
    QCOMPARE(summary.lines, 7);
    QCOMPARE(summary.recordsByType, (QMap<QString, int>{{"S0", 1}, {"S1", 1}, {"S2", 2}, {"S5", 1}, {"S9", 1}}));
    QCOMPARE(summary.recordsCarryingNothing, 2);
    QCOMPARE(summary.dataBytes, 32);
    QCOMPARE(summary.lowestAddress, 0);
    QCOMPARE(summary.highestAddress, 0x03FFFF);
    QVERIFY(summary.problem.isEmpty());
}

QTEST_GUILESS_MAIN(TestSRecordImport)
#include "tst_srecordimport.moc"
