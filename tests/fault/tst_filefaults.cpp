#include "LinkTestCase.h"
#include "RecordingServices.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"

#include "cli/Commands.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "link/LinkTiming.h"
#include "store/SRecordImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace std::chrono_literals;

namespace {

enum class FileOperation { ImportBoot, ImportFirmware, ImportSettings, ExportSettings, CliRead };
// Root reads through permission bits, so the faults are those that stop root too.
enum class FileFault {
    Missing,        // the file (or, for a save, its folder) does not exist
    Folder,         // a folder stands where the file should be
    ReadFails,      // open succeeds, reading fails (EIO): /proc/self/mem at offset 0
    ReadOnlyFolder, // a read-only mount
    DiskFull,       // a 16 KB mount
    Fifo,           // a named pipe with nobody at the other end
    DeviceNode,     // a character device (as /dev/null) made with mknod
    EndlessDevice,  // /dev/zero
    Oversized,      // one byte over the limit: 64 MB for S-records, 1 MB for settings
    CutShort,       // a settings file from a read, cut in the middle of a name
};

const char *nameOf(FileOperation operation)
{
    static const char *const names[] = {"fncImportMotFile", "fncImportFirmwareFile", "fncImportCsvFile",
                                        "fncExportCsvFile", "brisk read"};
    return names[int(operation)];
}

const char *nameOf(FileFault fault)
{
    static const char *const names[] = {
        "missing", "a folder in its place", "read fails", "read-only folder", "disk full",
        "FIFO",    "device node",           "/dev/zero",  "oversized",        "cut short"};
    return names[int(fault)];
}

bool isImport(FileOperation operation)
{
    return operation == FileOperation::ImportBoot || operation == FileOperation::ImportFirmware ||
           operation == FileOperation::ImportSettings;
}

QStringList tablesOf(FileOperation operation)
{
    switch (operation) {
    case FileOperation::ImportBoot:
        return {QStringLiteral("BootPrg")};
    case FileOperation::ImportFirmware:
        return {QStringLiteral("UserPrg")};
    default:
        return {QStringLiteral("MemoryData"), QStringLiteral("MenuData")};
    }
}

// A small tmpfs over a folder for as long as it lives; empty when mounting is not allowed.
class SmallMount
{
public:
    explicit SmallMount(const QString &folder) : m_folder(folder)
    {
        QDir().mkpath(folder);
        m_mounted = SRecordFiles::runTool(QStringLiteral("mount"),
                                          {"-t", "tmpfs", "-o", "size=16k,mode=0755", "tmpfs", folder});
    }
    ~SmallMount()
    {
        if (m_mounted)
            SRecordFiles::runTool(QStringLiteral("umount"), {m_folder});
    }
    bool mounted() const { return m_mounted; }
    bool makeReadOnly() { return SRecordFiles::runTool(QStringLiteral("mount"), {"-o", "remount,ro", m_folder}); }
    // Takes the rest of the space, so that the next write finds none.
    void fill()
    {
        QFile filler(m_folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size())
            ;
    }

private:
    QString m_folder;
    bool m_mounted = false;
};

QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// What kind of thing is at a path (file, folder, pipe, device); 0 when nothing is.
mode_t kindAt(const QString &path)
{
    struct stat status
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

} // namespace

Q_DECLARE_METATYPE(FileOperation)
Q_DECLARE_METATYPE(FileFault)

// Every file operation through every file fault: a failed import leaves its tables
// empty, a failed save leaves the old file byte for byte and no stray file beside it.
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
    QByteArray goodContents(FileOperation operation) const;
    bool fillTables(FileOperation operation, RecordingServices &services);
    bool perform(FileOperation operation, RecordingServices &services, const QString &path, const QString &device);

    QTemporaryDir m_dir;
    QByteArray m_settings;      // a whole read of radio 0
    QByteArray m_smallSettings; // a few lines of it
    QByteArray m_image = SRecordFiles::imageAsS2(SRecordFiles::randomBytes(256, 3));
};

void TestFileFaults::initTestCase()
{
    QVERIFY(m_dir.isValid());
    init();
    RecordingServices services;
    SimulatedRadio radio;
    QVERIFY(services.isValid() && radio.start());
    QVERIFY2(fncMenuRead(services) && fncMemoryChennelRead(services), qPrintable(services.failureReason()));
    const QString path = m_dir.filePath(QStringLiteral("whole.csv"));
    QVERIFY(fncExportCsvFile(services, path));
    m_settings = SRecordFiles::readFile(path);
    const QList<QByteArray> lines = m_settings.split('\n');
    m_smallSettings = lines.mid(0, 3).join('\n') + '\n' + lines.mid(lines.size() - 4).join('\n');
    QVERIFY(m_settings.size() > 16 * 1024);
    clsBriskHx7730::clearPortOverrides();
}

void TestFileFaults::fileOperationUnderFault_data()
{
    QTest::addColumn<FileOperation>("operation");
    QTest::addColumn<FileFault>("fault");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("reason"); // what the reason says, where the fault has its own

    const FileOperation imports[] = {FileOperation::ImportBoot, FileOperation::ImportFirmware,
                                     FileOperation::ImportSettings};
    const FileOperation saves[] = {FileOperation::ExportSettings, FileOperation::CliRead};
    auto row = [](FileOperation operation, FileFault fault, bool succeeds, const QString &reason = {}) {
        QTest::addRow("%s | %s", nameOf(operation), nameOf(fault)) << operation << fault << succeeds << reason;
    };
    const QString notAFile = QStringLiteral("it is not a regular file (a device or a pipe)");
    // Reading is not stopped by a read-only or full disk.
    for (FileOperation operation : imports) {
        row(operation, FileFault::Missing, false);
        row(operation, FileFault::Folder, false);
        row(operation, FileFault::ReadFails, false);
        row(operation, FileFault::ReadOnlyFolder, true);
        row(operation, FileFault::DiskFull, true);
        row(operation, FileFault::Fifo, false, notAFile);
        row(operation, FileFault::DeviceNode, false, notAFile);
        row(operation, FileFault::EndlessDevice, false, notAFile);
        row(operation, FileFault::Oversized, false,
            operation == FileOperation::ImportSettings ? "it is larger than 1 MB" : "it is larger than 64 MB");
    }
    row(FileOperation::ImportSettings, FileFault::CutShort, false, "the line has no line end: the file was cut short");
    for (FileOperation operation : saves) {
        row(operation, FileFault::Missing, false, "does not exist");
        row(operation, FileFault::Folder, false, "it is a folder");
        row(operation, FileFault::ReadOnlyFolder, false);
        row(operation, FileFault::DiskFull, false);
        row(operation, FileFault::Fifo, false, notAFile);
        row(operation, FileFault::DeviceNode, false, notAFile);
    }
}

QByteArray TestFileFaults::goodContents(FileOperation operation) const
{
    return operation == FileOperation::ImportSettings ? m_smallSettings : m_image;
}

// Fills what the operation would replace: an import's tables, or the tables a save writes out.
bool TestFileFaults::fillTables(FileOperation operation, RecordingServices &services)
{
    const QString path = m_dir.filePath(QStringLiteral("before.dat"));
    const FileOperation import = isImport(operation) ? operation : FileOperation::ImportSettings;
    const QByteArray contents = import == FileOperation::ImportSettings ? m_settings : m_image;
    return SRecordFiles::writeFile(path, contents) && perform(import, services, path, {});
}

bool TestFileFaults::perform(FileOperation operation, RecordingServices &services, const QString &path,
                             const QString &device)
{
    switch (operation) {
    case FileOperation::ImportBoot:
        return fncImportMotFile(services, path, QStringLiteral("BootPrg"));
    case FileOperation::ImportFirmware:
        return fncImportFirmwareFile(services, path, QStringLiteral("UserPrg"));
    case FileOperation::ImportSettings:
        return fncImportCsvFile(services, path);
    case FileOperation::ExportSettings:
        return fncExportCsvFile(services, path);
    case FileOperation::CliRead:
        return runRead({"brisk", "read", path, "--port", device, "-q"}) == ExitDone;
    }
    return false;
}

void TestFileFaults::fileOperationUnderFault()
{
    QFETCH(FileOperation, operation);
    QFETCH(FileFault, fault);
    QFETCH(bool, succeeds);
    QFETCH(QString, reason);

    RecordingServices services;
    SimulatedRadio radio;
    QVERIFY(services.isValid() && radio.start());
    QVERIFY2(fillTables(operation, services), qPrintable(services.failureReason()));

    const QString folder = m_dir.filePath(QStringLiteral("place"));
    QVERIFY(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/settings.dat");
    const QByteArray oldFile = isImport(operation) ? goodContents(operation) : QByteArray("MR,old file\n");
    std::unique_ptr<SmallMount> mount;
    switch (fault) {
    case FileFault::Missing:
        path = isImport(operation) ? path : folder + QStringLiteral("/absent/settings.dat");
        break;
    case FileFault::Folder:
        QVERIFY(QDir().mkpath(path));
        break;
    case FileFault::ReadFails:
        path = QStringLiteral("/proc/self/mem");
        break;
    case FileFault::Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case FileFault::DeviceNode:
        if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            QCOMPARE(errno, EPERM);
            QSKIP("cannot make a device node here (it needs root)");
        }
        break;
    case FileFault::EndlessDevice:
        path = QStringLiteral("/dev/zero");
        break;
    case FileFault::Oversized: {
        // Sparse: the size costs no disk.
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly) &&
                big.resize((operation == FileOperation::ImportSettings ? 1 : 64) * 1024 * 1024 + 1));
        break;
    }
    case FileFault::CutShort:
        QVERIFY(SRecordFiles::writeFile(path, m_settings.left(m_settings.indexOf("CAF\xC9") + 2)));
        break;
    case FileFault::ReadOnlyFolder:
    case FileFault::DiskFull:
        mount = std::make_unique<SmallMount>(folder);
        if (!mount->mounted())
            QSKIP("cannot mount a small tmpfs here (it needs root)");
        QVERIFY(SRecordFiles::writeFile(path, oldFile));
        if (fault == FileFault::ReadOnlyFolder)
            QVERIFY(mount->makeReadOnly());
        else
            mount->fill();
        break;
    }
    const QStringList before = listing(folder);
    const mode_t kindBefore = kindAt(path);
    services.clearFailure();

    const bool succeeded = perform(operation, services, path, radio.line().devicePath());

    QCOMPARE(succeeded, succeeds);
    if (!succeeded && operation != FileOperation::CliRead)
        QVERIFY2(!services.failureReason().isEmpty() && services.failureReason().contains(reason),
                 qPrintable(services.failureReason()));
    // Only a full disk is found by the save itself; the rest before the radio is asked anything.
    if (operation == FileOperation::CliRead && fault != FileFault::DiskFull)
        QCOMPARE(radio.line().received(), QByteArray());
    if (isImport(operation)) {
        for (const QString &table : tablesOf(operation))
            if (succeeded)
                QVERIFY(services.rowCount(table) > 0);
            else
                QCOMPARE(services.rowCount(table), 0);
    } else {
        // A failed save leaves everything as it was: the old file, the folder, nothing beside them.
        QCOMPARE(listing(folder), before);
        QCOMPARE(kindAt(path), kindBefore);
        if (kindBefore == S_IFREG)
            QCOMPARE(SRecordFiles::readFile(path), oldFile);
    }
    if (operation == FileOperation::CliRead)
        QVERIFY(radio.portIsFree());
}

QTEST_GUILESS_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
