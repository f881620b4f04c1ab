#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "store/SRecordImport.h"
#include "store/UserFolders.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(ImportMode)

// What an import makes of an S-record file: the cut of each record shape into the
// columns under both procedures, the bar, or why a line is refused (and that nothing
// of a refused file stays). What generated files put on the wire, files of more than
// 32,767 lines among them, is checked against srec_cat in tst_flash. And the folder the
// working database lives in when the program's own cannot hold it.
class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void importsFiles_data();
    void importsFiles();
    void runtimeFolderIsPrivate_data();
    void runtimeFolderIsPrivate();
};

namespace {

const QByteArray S0 = "S00900006F2E73726563AC";
const QByteArray S1 = "S1130000285F245F2212226A000424290008237C2A";
// S2 at 0x03FFF0 with lower-case digits, spaces and a CR around it.
const QByteArray S2 = "  S21403fff0f56a2d7e454b517b6ad54ff86611e7941b \r";
const QByteArray Ends = "S804000000FB\r\nS9030000FC\n";

} // namespace

void TestStore::importsFiles_data()
{
    QTest::addColumn<ImportMode>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>(
        "rows");                         // RecNumber|TypeString|BytesCount|AddressString|CheckSum|DataString|CheckSum2
    QTest::addColumn<QString>("reason"); // why the file is refused, "" when it is taken

    // RecNumber is the line's index: blank lines leave gaps. Digits are stored
    // upper-case so that AddressString sorts by address.
    const ImportMode F = ImportMode::Firmware;
    const ImportMode B = ImportMode::Boot;
    QTest::newRow("firmware: rule B for S2, rule A for the rest")
        << F << S0 + "\n\n" + S1 + "\n" + S2 + "\nS5030002FA\n" + Ends
        << QStringList{"0|S0|09|0000|6F|2E73726563|AC",
                       "2|S1|13|0000|28|5F245F2212226A000424290008237C|2A",
                       "3|S2|14|03FFF0|F5|6A2D7E454B517B6AD54FF86611E794|1B",
                       "4|S5|03|0002|FA||FA",
                       "5|S8|04|0000|00||FB",
                       "6|S9|03|0000|FC||FC"}
        << "";
    QTest::newRow("boot: rule A for every line")
        << B << S0 + "\n\n" + S2 + "\nS5030001FB\n" + Ends
        << QStringList{"0|S0|09|0000|6F|2E73726563|AC", "2|S2|14|03FF|F0|F56A2D7E454B517B6AD54FF86611E794|1B",
                       "3|S5|03|0001|FB||FB", "4|S8|04|0000|00||FB", "5|S9|03|0000|FC||FC"}
        << "";
    // Lines that are no S-record are refused on generated files in tst_flash, for
    // a reason that applies, and so are files the transfers could not carry whole.
    QTest::newRow("checksum, after a blank line")
        << F << S0 + "\n\n" + S1.chopped(1) + "B\n"
        << QStringList() << "line 3: checksum is 2B, the record's bytes give 2A";
    QTest::newRow("count below the line, checksum right")
        << F << QByteArray("S1030000AA52") << QStringList() << "line 1: byte count says 3 bytes, the line has 4";
    QTest::newRow("record count short") << F << S0 + "\n" + S1 + "\nS5030002FA" << QStringList()
                                        << "line 3: record count says 2 data records, the file has 1 before it";
    QTest::newRow("boot: S1") << B << S0 + "\n" + S1 << QStringList()
                              << "line 2: S1 record refused in the boot loader: only S2 records are sent whole";
    QTest::newRow("boot: lower-case s9") << B << QByteArray("s9030000fc") << QStringList()
                                         << "line 1: s9 record refused: a record must start with an upper-case \"S\"";
    // srec_cat reads 4 data records here, where the count's two address bytes say 0.
    QTest::newRow("boot: a byte after the count") << B << S0 + "\nS504000004F7" << QStringList()
                                                  << "line 2: S5 record refused: bytes after its count make it "
                                                     "another count to other readers";
}

void TestStore::importsFiles()
{
    QFETCH(ImportMode, mode);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, rows);
    QFETCH(QString, reason);
    const QString table = mode == ImportMode::Boot ? "BootPrg" : "UserPrg";
    RecordingServices services;
    QTemporaryDir dir;
    // Rows of an earlier import go: a refused file leaves the table empty.
    QVERIFY(SRecordFiles::writeFile(dir.filePath("old.mot"), S0 + "\nS9030000FC\n"));
    QVERIFY(importSRecordFile(services, dir.filePath("old.mot"), table, mode));
    services.progress = {};
    QVERIFY(SRecordFiles::writeFile(dir.filePath("new.mot"), text));
    QCOMPARE(importSRecordFile(services, dir.filePath("new.mot"), table, mode), reason.isEmpty());
    QCOMPARE(services.failureReason(), reason);
    QCOMPARE(services.rows(table), rows);
    // The bar is the firmware import's: 0 to the pieces, one step a piece, blank ones
    // and the empty one after the last line feed included, then hidden at 0.
    if (mode == ImportMode::Firmware && reason.isEmpty()) {
        QList<int> steps(text.count('\n') + 2);
        std::iota(steps.begin(), steps.end(), 0);
        QCOMPARE(services.progress.values, steps << 0);
        QCOMPARE(services.progress.maximum, text.count('\n') + 1);
    }
    QCOMPARE(services.progress.visibility, mode == ImportMode::Firmware ? QList<bool>({true, false}) : QList<bool>());
    QCOMPARE(services.progress.current, 0);
    // The import stores without the column checks; they are back on.
    QVERIFY(
        !QSqlQuery(services.WorkConnection())
             .exec(QString("INSERT INTO %1 VALUES (9,'S1','13','0000','00','%2','FF')").arg(table, QString(51, 'A'))));
}

// Whatever stands in the temporary folder under the name the runtime folder would take, the
// folder used is a real one of this user's that nobody else may enter, never the shared
// temporary folder itself; XDG_RUNTIME_DIR counts only when it is private too.
void TestStore::runtimeFolderIsPrivate_data()
{
    QTest::addColumn<QString>("planted"); // at TMPDIR/BriskHx7730-UID
    QTest::addColumn<QString>("runtime"); // XDG_RUNTIME_DIR: unset, "private" or "shared"
    QTest::addColumn<bool>("named");      // the folder used is TMPDIR/BriskHx7730-UID
    const auto row = [](const char *name, const char *planted, const char *runtime, bool named) {
        QTest::newRow(name) << QString(planted) << QString(runtime) << named;
    };
    row("nothing there", "", "", true);
    row("a folder of another user", "other's", "", false);
    row("a folder of ours anyone may enter", "open", "", false);
    row("a link to a private folder", "link", "", false);
    row("a file", "file", "", false);
    row("XDG_RUNTIME_DIR private", "link", "private", false);
    row("XDG_RUNTIME_DIR anyone may enter", "", "shared", true);
}

void TestStore::runtimeFolderIsPrivate()
{
#ifdef Q_OS_WIN
    QSKIP("on Windows the working database lives in the user's own data folder");
#else
    QFETCH(QString, planted);
    QFETCH(QString, runtime);
    QFETCH(bool, named);
    QTemporaryDir tmp, own;
    const QString place = tmp.filePath(QStringLiteral("BriskHx7730-%1").arg(::geteuid()));
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    qputenv("XDG_RUNTIME_DIR", runtime.isEmpty() ? "" : QFile::encodeName(own.path()));
    QVERIFY(QFile::setPermissions(tmp.path(), QFile::Permissions(0x7777)) &&
            QFile::setPermissions(own.path(),
                                  runtime == "shared" ? QFile::Permissions(0x7777) : QFile::Permissions(0x7700)));
    if (planted == "other's" && (::geteuid() != 0 || ::mkdir(QFile::encodeName(place), 0700) ||
                                 ::chown(QFile::encodeName(place), 65534, 65534)))
        QSKIP("needs root to give a folder to another user");
    QVERIFY(planted != "open" || (QDir().mkpath(place) && QFile::setPermissions(place, QFile::Permissions(0x7777))));
    QVERIFY(planted != "link" || QFile::link(own.path(), place));
    QVERIFY(planted != "file" || SRecordFiles::writeFile(place, ""));

    const QString folder = UserFolders::runtime();

    struct stat status = {};
    QVERIFY2(::lstat(QFile::encodeName(folder), &status) == 0 && S_ISDIR(status.st_mode), qPrintable(folder));
    QCOMPARE(status.st_uid, ::geteuid());
    QCOMPARE(status.st_mode & 0777, 0700u);
    QCOMPARE(folder == place, named);
    QCOMPARE(folder == own.path(), runtime == "private");
    QVERIFY(folder.startsWith(tmp.path() + '/') || runtime == "private");
    qunsetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
#endif
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
