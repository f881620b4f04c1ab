#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "store/SRecordImport.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ImportMode)

// S-record files imported into the image tables of the working database: the cut
// of each record shape under both procedures, the bar, why a line is refused (and
// that nothing of a refused file stays), files of more than 32,767 lines. What
// generated files put on the wire is checked against srec_cat in tst_flash.
class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void cutsEveryRecordShape_data();
    void cutsEveryRecordShape();
    void refusesBadLines_data();
    void refusesBadLines();
    void importsMoreThan32767Lines();

private:
    bool import(RecordingServices &services, ImportMode mode, const QByteArray &text)
    {
        const QString path = m_dir.filePath(QStringLiteral("firmware.mot"));
        const QString table = mode == ImportMode::Boot ? "BootPrg" : "UserPrg";
        return SRecordFiles::writeFile(path, text) &&
               (mode == ImportMode::Boot ? fncImportMotFile(services, path, table)
                                         : fncImportFirmwareFile(services, path, table));
    }
    QTemporaryDir m_dir;
};

namespace {

const QByteArray S0 = "S00900006F2E73726563AC";
const QByteArray S1 = "S1130000285F245F2212226A000424290008237C2A";
// S2 at 0x03FFF0 with lower-case digits, spaces and a CR around it.
const QByteArray S2 = "  S21403fff0f56a2d7e454b517b6ad54ff86611e7941b \r";
const QByteArray Ends = "S804000000FB\r\nS9030000FC\n";

} // namespace

void TestStore::cutsEveryRecordShape_data()
{
    QTest::addColumn<ImportMode>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("rows");

    // RecNumber|TypeString|BytesCount|AddressString|CheckSum|DataString|CheckSum2. RecNumber is
    // the line's index: blank lines leave gaps. Digits are stored upper-case so that
    // AddressString sorts by address.
    QTest::newRow("firmware: rule B for S2, rule A for the rest")
        << ImportMode::Firmware << S0 + "\n\n" + S1 + "\n" + S2 + "\nS5030002FA\n" + Ends
        << QStringList{"0|S0|09|0000|6F|2E73726563|AC",
                       "2|S1|13|0000|28|5F245F2212226A000424290008237C|2A",
                       "3|S2|14|03FFF0|F5|6A2D7E454B517B6AD54FF86611E794|1B",
                       "4|S5|03|0002|FA||FA",
                       "5|S8|04|0000|00||FB",
                       "6|S9|03|0000|FC||FC"};
    QTest::newRow("boot: rule A for every line")
        << ImportMode::Boot << S0 + "\n\n" + S2 + "\nS5030001FB\n" + Ends
        << QStringList{"0|S0|09|0000|6F|2E73726563|AC", "2|S2|14|03FF|F0|F56A2D7E454B517B6AD54FF86611E794|1B",
                       "3|S5|03|0001|FB||FB", "4|S8|04|0000|00||FB", "5|S9|03|0000|FC||FC"};
}

void TestStore::cutsEveryRecordShape()
{
    QFETCH(ImportMode, mode);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, rows);
    RecordingServices services;
    services.progress.minimum = 7;
    QVERIFY2(import(services, mode, text), qPrintable(services.failureReason()));
    QCOMPARE(services.rows(mode == ImportMode::Boot ? "BootPrg" : "UserPrg"), rows);
    if (mode == ImportMode::Boot) { // the bar is the firmware import's
        QVERIFY(services.progress.values.isEmpty() && services.progress.visibility.isEmpty());
        return;
    }
    // One step a piece, blank ones and the empty one after the last line feed included.
    QList<int> steps{0};
    for (int piece = 1; piece <= text.count('\n') + 1; ++piece)
        steps << piece;
    QCOMPARE(services.progress.values, steps << 0);
    QCOMPARE(services.progress.minimum, 0);
    QCOMPARE(services.progress.maximum, text.count('\n') + 1);
    QCOMPARE(services.progress.visibility, QList<bool>({true, false}));
}

void TestStore::refusesBadLines_data()
{
    QTest::addColumn<ImportMode>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");

    // Lines that are no S-record are refused on generated files in tst_flash, for
    // a reason that applies, and so are files the transfers could not carry whole.
    const ImportMode F = ImportMode::Firmware;
    const ImportMode B = ImportMode::Boot;
    QTest::newRow("checksum, after a blank line") << F << S0 + "\n\n" + S1.chopped(1) + "B\n"
                                                  << "line 3: checksum is 2B, the record's bytes give 2A";
    QTest::newRow("count below the line, checksum right")
        << F << QByteArray("S1030000AA52") << "line 1: byte count says 3 bytes, the line has 4";
    QTest::newRow("record count short") << F << S0 + "\n" + S1 + "\nS5030002FA"
                                        << "line 3: record count says 2 data records, the file has 1 before it";
    QTest::newRow("boot: S1") << B << S0 + "\n" + S1
                              << "line 2: S1 record refused in the boot loader: only S2 records are sent whole";
    QTest::newRow("boot: lower-case s9") << B << QByteArray("s9030000fc")
                                         << "line 1: s9 record refused: a record must start with an upper-case \"S\"";
    // srec_cat reads 4 data records here, where the count's two address bytes say 0.
    QTest::newRow("boot: a byte after the count") << B << S0 + "\nS504000004F7"
                                                  << "line 2: S5 record refused: bytes after its count make it "
                                                     "another count to other readers";
}

void TestStore::refusesBadLines()
{
    QFETCH(ImportMode, mode);
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    const QString table = mode == ImportMode::Boot ? "BootPrg" : "UserPrg";
    RecordingServices services;
    // Rows of an earlier import go too: a refused file leaves the table empty.
    QVERIFY(import(services, mode, S0 + "\nS9030000FC\n"));
    QVERIFY(!import(services, mode, text));
    QCOMPARE(services.failureReason(), reason);
    QCOMPARE(services.rowCount(table), 0);
    QCOMPARE(services.progress.visible, false);
    QCOMPARE(services.progress.current, 0);
    // The import stores without the column checks; they are back on.
    QVERIFY(
        !QSqlQuery(services.WorkConnection())
             .exec(QString("INSERT INTO %1 VALUES (9,'S1','13','0000','00','%2','FF')").arg(table, QString(51, 'A'))));
}

void TestStore::importsMoreThan32767Lines()
{
    RecordingServices services;
    QVERIFY2(import(services, ImportMode::Firmware, SRecordFiles::imageAsS2(SRecordFiles::randomBytes(80000), 2)),
             qPrintable(services.failureReason()));
    QCOMPARE(services.rowCount("UserPrg"), 40002);
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
