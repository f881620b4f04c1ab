#include "LinkTestCase.h"
#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"

#include "cli/Commands.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "store/SRecordImport.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace std::chrono_literals;
using SRecordFiles::runTool;

namespace {

enum FileOperation { ImportBoot, ImportFirmware, ImportSettings, ExportSettings, CliRead };
const char *const OperationNames[] = {"fncImportMotFile", "fncImportFirmwareFile", "fncImportCsvFile",
                                      "fncExportCsvFile", "brisk read"};
// Root reads through permission bits, so the faults are those that stop root too.
enum FileFault {
    Missing,        // the file (or, for a save, its folder) does not exist
    Folder,         // a folder stands where the file should be
    ReadFails,      // open succeeds, reading fails (EIO): /proc/self/mem at offset 0
    ReadOnlyFolder, // a read-only mount
    DiskFull,       // a 16 KB mount
    Fifo,           // a named pipe with nobody at the other end
    DeviceNode,     // a character device (as /dev/null) made with mknod
    EndlessDevice,  // /dev/zero
    Oversized,      // one byte over the limit: 64 MB for S-records, 1 MB for settings
    Unsized,        // a file that says it is empty and reads without end: /proc/self/pagemap
    CutShort,       // a settings file from a read, cut in the middle of a name
};
const char *const FaultNames[] = {"missing",  "a folder in its place", "read fails", "read-only folder", "disk full",
                                  "FIFO",     "device node",           "/dev/zero",  "oversized",        "unsized",
                                  "cut short"};

struct Row
{
    FileOperation operation;
    FileFault fault;
    bool succeeds;
    QString reason = {}; // what the reason says, where the fault has its own
};

QList<Row> rows()
{
    const QString notAFile = QStringLiteral("it is not a regular file (a device or a pipe)");
    QList<Row> rows;
    // Reading is not stopped by a read-only or full disk.
    for (FileOperation op : {ImportBoot, ImportFirmware, ImportSettings})
        rows << Row{op, Missing, false} << Row{op, Folder, false} << Row{op, ReadFails, false}
             << Row{op, ReadOnlyFolder, true} << Row{op, DiskFull, true} << Row{op, Fifo, false, notAFile}
             << Row{op, DeviceNode, false, notAFile} << Row{op, EndlessDevice, false, notAFile}
             << Row{op, Oversized, false,
                    op == ImportSettings ? QStringLiteral("larger than 1 MB") : "larger than 64 MB"}
             << Row{op, Unsized, false,
                    op == ImportSettings ? QStringLiteral("larger than 1 MB") : "larger than 64 MB"};
    rows << Row{ImportSettings, CutShort, false, QStringLiteral("the line has no line end: the file was cut short")};
    for (FileOperation op : {ExportSettings, CliRead})
        rows << Row{op, Missing, false, QStringLiteral("does not exist")}
             << Row{op, Folder, false, QStringLiteral("it is a folder")} << Row{op, ReadOnlyFolder, false}
             << Row{op, DiskFull, false} << Row{op, Fifo, false, notAFile} << Row{op, DeviceNode, false, notAFile};
    return rows;
}

QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// What kind of thing is at a path (file, folder, pipe, device); 0 when nothing is.
mode_t kindAt(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

} // namespace

Q_DECLARE_METATYPE(Row)

// Every file operation through every file fault: a failed import leaves its tables
// empty, a failed save leaves the old file byte for byte and no stray file beside it,
// and `brisk read` asks the radio nothing when its output cannot be written.
class TestFileFaults : public LinkTestCase
{
    Q_OBJECT

public:
    TestFileFaults() : LinkTestCase(200ms, 1ms) {}

private slots:
    void initTestCase();
    void fileOperationUnderFault_data();
    void fileOperationUnderFault();

private:
    bool perform(FileOperation operation, RecordingServices &services, const QString &path, const QString &device);

    QTemporaryDir m_dir;
    QByteArray m_settings;      // a whole read of radio 0
    QByteArray m_smallSettings; // a few lines of it
    QByteArray m_image = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(256, 3));
};

void TestFileFaults::initTestCase()
{
    init();
    RecordingServices services;
    SimulatedRadio radio;
    QVERIFY(m_dir.isValid() && services.isValid() && radio.start());
    QVERIFY2(fncMenuRead(services) && fncMemoryChennelRead(services), qPrintable(services.failureReason()));
    QVERIFY(fncExportCsvFile(services, m_dir.filePath(QStringLiteral("whole.csv"))));
    m_settings = SRecordFiles::readFile(m_dir.filePath(QStringLiteral("whole.csv")));
    const QList<QByteArray> lines = m_settings.split('\n');
    m_smallSettings = lines.mid(0, 3).join('\n') + '\n' + lines.mid(lines.size() - 4).join('\n');
    QVERIFY(m_settings.size() > 16 * 1024);
}

void TestFileFaults::fileOperationUnderFault_data()
{
    QTest::addColumn<Row>("row");
    for (const Row &row : rows())
        QTest::addRow("%s | %s", OperationNames[row.operation], FaultNames[row.fault]) << row;
}

bool TestFileFaults::perform(FileOperation operation, RecordingServices &services, const QString &path,
                             const QString &device)
{
    switch (operation) {
    case ImportBoot:
        return fncImportMotFile(services, path, QStringLiteral("BootPrg"));
    case ImportFirmware:
        return fncImportFirmwareFile(services, path, QStringLiteral("UserPrg"));
    case ImportSettings:
        return fncImportCsvFile(services, path);
    case ExportSettings:
        return fncExportCsvFile(services, path);
    case CliRead:
        return runRead({"brisk", "read", path, "--port", device, "-q"}) == ExitDone;
    }
    return false;
}

void TestFileFaults::fileOperationUnderFault()
{
    QFETCH(Row, row);
    const bool import = row.operation <= ImportSettings;
    const QStringList tables = row.operation == ImportBoot       ? QStringList{"BootPrg"}
                               : row.operation == ImportFirmware ? QStringList{"UserPrg"}
                                                                 : QStringList{"MemoryData", "MenuData"};
    RecordingServices services;
    SimulatedRadio radio;
    QVERIFY(services.isValid() && radio.start());
    // What the operation would replace: an import's tables, or the tables a save writes out.
    const FileOperation filler = import ? row.operation : ImportSettings;
    const QString before = m_dir.filePath(QStringLiteral("before.dat"));
    QVERIFY(SRecordFiles::writeFile(before, filler == ImportSettings ? m_settings : m_image));
    QVERIFY2(perform(filler, services, before, {}), qPrintable(services.failureReason()));

    const QString folder = m_dir.filePath(QStringLiteral("place"));
    QVERIFY(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/settings.dat");
    const QByteArray oldFile = !import ? "MR,old file\n" : row.operation == ImportSettings ? m_smallSettings : m_image;
    const QByteArray name = QFile::encodeName(path);
    const bool mounted = (row.fault == ReadOnlyFolder || row.fault == DiskFull) &&
                         runTool("mount", {"-t", "tmpfs", "-o", "size=16k,mode=0755", "tmpfs", folder});
    const auto unmount = qScopeGuard([&] { mounted &&runTool("umount", {folder}); });
    QFile big(path);
    switch (row.fault) {
    case Missing:
        path = import ? path : folder + QStringLiteral("/absent/settings.dat");
        break;
    case Folder:
        QVERIFY(QDir().mkpath(path));
        break;
    case ReadFails:
        path = QStringLiteral("/proc/self/mem");
        break;
    case Fifo:
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        break;
    case DeviceNode:
        if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("cannot make a device node here (it needs root)");
        break;
    case EndlessDevice:
        path = QStringLiteral("/dev/zero");
        break;
    case Unsized:
        path = QStringLiteral("/proc/self/pagemap");
        break;
    case Oversized: // sparse: the size costs no disk
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize((row.operation == ImportSettings ? 1 : 64) << 20 | 1));
        break;
    case CutShort:
        QVERIFY(SRecordFiles::writeFile(path, m_settings.left(m_settings.indexOf("CAF\xC9") + 2)));
        break;
    case ReadOnlyFolder:
    case DiskFull:
        if (!mounted)
            QSKIP("cannot mount a small tmpfs here (it needs root)");
        QVERIFY(SRecordFiles::writeFile(path, oldFile));
        QVERIFY(row.fault == DiskFull || runTool("mount", {"-o", "remount,ro", folder}));
        // Takes the rest of the space, so that the next write finds none.
        big.setFileName(folder + QStringLiteral("/filler"));
        if (row.fault == DiskFull && big.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            while (big.write(QByteArray(512, 'x')) == 512)
                continue;
        break;
    }
    big.close();
    const QStringList entries = listing(folder);
    const mode_t kindBefore = kindAt(path);
    services.clearFailure();

    const bool succeeded = perform(row.operation, services, path, radio.line().devicePath());

    QCOMPARE(succeeded, row.succeeds);
    const QString reason = services.failureReason();
    QVERIFY2(succeeded || row.operation == CliRead || (!reason.isEmpty() && reason.contains(row.reason)),
             qPrintable(reason));
    if (import) {
        for (const QString &table : tables)
            QVERIFY(succeeded ? services.rowCount(table) > 0 : services.rowCount(table) == 0);
    } else {
        // A failed save leaves everything as it was: the old file, the folder, nothing beside them.
        QCOMPARE(listing(folder), entries);
        QCOMPARE(kindAt(path), kindBefore);
        QVERIFY(kindBefore != S_IFREG || SRecordFiles::readFile(path) == oldFile);
    }
    // Only a full disk is found by the save itself; the rest before the radio is asked anything.
    if (row.operation == CliRead) {
        QVERIFY(row.fault == DiskFull || radio.line().received().isEmpty());
        QVERIFY(radio.portIsFree());
    }
}

QTEST_GUILESS_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
