#include "FlashFixture.h"
#include "LinkTestCase.h"

#include "cli/Commands.h"
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"
#include "store/SRecordImport.h"

#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace std::chrono_literals;
using SRecordFiles::runTool;

namespace {

// ---- Radio faults

constexpr auto Stopped =
    "^stopped at the operator's request: the radio holds part of the firmware and must be written again$";
constexpr auto PortHeld = "/dev/pts/[0-9]+ is in use by another program";
constexpr int LoaderRunning = 8; // the firmware radio's reply once a 3-byte loader runs

// The type read gives radio 0's "K", or after a failure no label at all; a wrong label
// turns the outcome.
bool typeRead(WindowServices &window)
{
    const QString label = fncTypeRead(window);
    return window.failureReason().isEmpty() ? label == QLatin1String("K") : !label.isEmpty();
}

enum Operation { BootTransfer, ProgramTransfer, TypeRead, MenuRead, MenuWrite, ChannelRead, ChannelWrite };
const std::pair<const char *, bool (*)(WindowServices &)> Operations[] = {
    {"boot-loader transfer", fncTransmitBootProgram},
    {"program transfer", [](WindowServices &w) { return fncTransmitProgram(w, QStringLiteral("UserPrg")); }},
    {"type read", typeRead},
    {"menu read", fncMenuRead},
    {"menu write", fncMenuWrite},
    {"channel read", fncMemoryChennelRead},
    {"channel write", fncMemoryChennelWrite}};
// What a read must replace even when it cannot open the port, and an entry the radio does not have for a write.
const char *const ExtraRows[] = {
    "",
    "",
    "",
    "INSERT INTO MenuData VALUES ('B','999','00','0','0','stale')",
    "INSERT INTO MenuData VALUES ('A','099','00','0','0','1')",
    "INSERT INTO MemoryData VALUES ('9','9','99','','','','','','','','','','','','','stale')",
    "INSERT INTO MemoryData VALUES "
    "('0','9','99','00145000000','1','0','0','00','00','000','0','0','000000000','00','0','')"};

// Everything that can go wrong on the line, in the radio or with the port, for one row.
struct RadioFault
{
    sim::LineFaults line{};
    sim::FirmwareFaults firmware{};
    int duplicateEchoAt = 0;
    int joinAt = 0;
    bool typeUnanswered = false;
    bool portHeld = false;     // another program holds the port before the operation opens it
    int vanishAtPoll = 0;      // the line goes away at this poll of the operation
    bool emptyTable = false;   // a write with nothing to write
    bool firmwareMode = false; // a settings operation meets the radio in firmware-write mode
    bool refusedEntry = false; // a write whose table ends with an entry the radio does not have
    int stopAtPoll = 0;        // the operator asks to stop (Ctrl-C) at this poll of the operation
};

// A row's fault in words, "silent from 3": the fault and the reply (or poll) it hits.
using SetFault = void (*)(RadioFault &, int);
const QMap<QString, SetFault> FaultWords = {
    {"none", [](RadioFault &, int) {}},
    {"silent from", [](RadioFault &f, int n) { f.line.silenceFrom = n; }},
    {"stray byte apart before", [](RadioFault &f, int n) { f.line.strayByteAt = n, f.line.strayGap = 30ms; }},
    {"split", [](RadioFault &f, int n) { f.line.splitAt = n; }},
    {"line gone at", [](RadioFault &f, int n) { f.line.closeAt = n; }},
    {"line gone at poll", [](RadioFault &f, int n) { f.vanishAtPoll = n; }},
    {"twice, run together", [](RadioFault &f, int n) { f.line.doubleAt = n; }},
    {"flood instead of", [](RadioFault &f, int n) { f.line.floodAt = n; }},
    {"slow (ms)", [](RadioFault &f, int n) { f.line.slow = std::chrono::milliseconds(n); }},
    {"sync answered from zero", [](RadioFault &f, int n) { f.firmware.syncAfter = n; }},
    {"wrong echo", [](RadioFault &f, int n) { f.firmware.wrongEchoAt = n; }},
    {"refused block", [](RadioFault &f, int n) { f.firmware.refuseBlock = n; }},
    {"two bytes in one write at", [](RadioFault &f, int n) { f.firmware.doubleReplyAt = n; }},
    {"answer names the previous channel at", [](RadioFault &f, int n) { f.duplicateEchoAt = n; }},
    {"answer joined to the next at", [](RadioFault &f, int n) { f.joinAt = n; }},
    {"no type answer", [](RadioFault &f, int) { f.typeUnanswered = true; }},
    {"port held", [](RadioFault &f, int) { f.portHeld = true; }},
    {"port held, nothing to write", [](RadioFault &f, int) { f.portHeld = f.emptyTable = true; }},
    {"radio in firmware-write mode", [](RadioFault &f, int) { f.firmwareMode = true; }},
    {"an entry refused", [](RadioFault &f, int) { f.refusedEntry = true; }},
    {"stopped at poll", [](RadioFault &f, int n) { f.stopAtPoll = n; }},
};

bool parseFault(const QString &words, RadioFault &fault)
{
    bool numbered = false;
    const int n = words.section(QLatin1Char(' '), -1).toInt(&numbered);
    const SetFault set = FaultWords.value(numbered ? words.section(QLatin1Char(' '), 0, -2) : words);
    if (set)
        set(fault, n);
    return set;
}

// One row: the operation, its fault, a pattern the failure's reason matches (none for
// a success) and one for what may reach the radio after the fault.
struct RadioRow
{
    Operation operation;
    QString fault;
    const char *reason;
    const char *afterFault = "";
};
constexpr const char *Succeeds = nullptr;

// With a 3-byte loader the firmware radio's replies are: 1 sync, 2 start, 3-4 length,
// 5-7 loader, 8 loader running; the program's then run 9 write request, 10 header,
// 11-42 frames, 43 block check, 44 the next write request.
const RadioRow FixedRows[] = {
    {BootTransfer, "none", Succeeds},
    // Silence in every waiting state; only the synchronisation goes on sending (zeros).
    {BootTransfer, "silent from 1", "stayed silent after the synchronisation .*firmware-write mode", "\\x00*"},
    {BootTransfer, "silent from 2", "stayed silent after the start request 0x55 \\(waited 0.2 s for 0xAA\\)"},
    {BootTransfer, "silent from 3", "stayed silent after the loader length's high byte"},
    {BootTransfer, "silent from 4", "stayed silent after the loader length's low byte"},
    {BootTransfer, "silent from 6", "stayed silent after loader byte 2 of 3"},
    {BootTransfer, "silent from 8", "stayed silent after the whole loader, which should now be running"},
    {BootTransfer, "stray byte apart before 2", Succeeds},
    {BootTransfer, "twice, run together 2",
     "answered something else after the start request 0x55 \\(0xAA 0xAA where 0xAA was due\\)"},
    {BootTransfer, "split 2", Succeeds},
    {BootTransfer, "twice, run together 3", "answered something else after the loader length's high byte"},
    {BootTransfer, "line gone at 6", "line to the radio went away after loader byte 2 of 3"},
    {BootTransfer, "slow (ms) 20", Succeeds},
    {BootTransfer, "slow (ms) 400", "stayed silent after the synchronisation"},
    {BootTransfer, "sync answered from zero 3", Succeeds},
    {BootTransfer, "wrong echo 4", "^the radio echoed (0x[0-9A-F]{2}) for (?!\\1)0x[0-9A-F]{2} \\(loader byte 2 of 3"},
    {BootTransfer, "port held", PortHeld},
    {BootTransfer, "stopped at poll 5", Stopped},
    {ProgramTransfer, "none", Succeeds},
    {ProgramTransfer, "silent from 9", "stayed silent after the write request for block 1 \\(address 0x000000\\)"},
    {ProgramTransfer, "silent from 10", "stayed silent after the header of block 1"},
    {ProgramTransfer, "silent from 12", "stayed silent after frame 2 of block 1 \\(address 0x000000\\)"},
    {ProgramTransfer, "silent from 43", "stayed silent after the block check of block 1"},
    {ProgramTransfer, "silent from 44", "stayed silent after the write request for block 2 \\(address 0x001000\\)"},
    {ProgramTransfer, "stray byte apart before 10", Succeeds},
    {ProgramTransfer, "twice, run together 10", "answered something else after the header of block 1"},
    {ProgramTransfer, "line gone at 12", "went away after frame 2 of block 1"},
    {ProgramTransfer, "refused block 3",
     "^the radio refused block 3 \\(address 0x002000\\): its check did not match \\(0x15\\)$"},
    {ProgramTransfer, "two bytes in one write at 10",
     "answered something else after the header of block 1 .*\\(0x11 0x11 where 0x11 was due\\)"},
    {ProgramTransfer, "port held", PortHeld},
    {ProgramTransfer, "stopped at poll 5", Stopped},
    {TypeRead, "slow (ms) 20", Succeeds},
    {TypeRead, "no type answer", "^the radio did not answer the type query \\(TY;, waited 0.2 s\\)"},
    // Replies of the menu read: 1 TY, 2 onwards EX.
    // The plan of the menu read follows the type: without a usable answer nothing is read.
    {MenuRead, "silent from 1",
     "^the menus were not read, as they depend on the radio's type: the radio did not "
     "answer the type query \\(TY;"},
    {MenuRead, "no type answer", "^the menus were not read, .*: the radio did not answer the type query"},
    {MenuRead, "stray byte apart before 1",
     "^the menus were not read, .*: the radio answered the type query with "
     "something else \\(TY;: \"~TY800;\"\\)"},
    {MenuRead, "stopped at poll 5",
     "^stopped at the operator's request at menu bank A, menu 004; the radio's settings are unchanged$"},
    {ChannelRead, "line gone at 301", "went away during a memory-channel read \\(MR1000;"},
    {ChannelRead, "answer names the previous channel at 2", "stored already"},
    {ChannelRead, "stopped at poll 5",
     "^stopped at the operator's request at memory-channel entry 0-004; the radio's settings are unchanged$"},
};

// Faults every text-mode read meets, at reply @.
const std::pair<const char *, const char *> ReadFaults[] = {
    {"none", Succeeds},
    {"silent from @", "the radio did not answer .*, waited 0.2 s\\): check that the radio is switched on normally"},
    {"stray byte apart before @", "answered .* with something else \\(.*: \"~(TY|EX|MR)"},
    {"split @", Succeeds},
    {"twice, run together @", "with something else"},
    {"line gone at @", "the line to the radio went away during"},
    {"slow (ms) 400", ""},
    {"answer joined to the next at @", "with something else"},
    {"port held", PortHeld},
    {"radio in firmware-write mode", "not in firmware-write mode"},
};

// Faults every write meets; its replies are the two type answers around its commands.
const std::pair<const char *, const char *> WriteFaults[] = {
    {"none", Succeeds},
    {"silent from 1", "were not written: the radio did not answer the type query"},
    {"radio in firmware-write mode", "were not written: .*not in firmware-write mode"},
    {"silent from 2", "^the radio did not confirm the .*: no answer to the closing type query"},
    {"line gone at 2", "went away before it confirmed"},
    {"flood instead of 2", "^the radio sent more than an answer holds without ending it \\(\"~~~~"},
    {"line gone at poll 5", "(could not all be sent|went away while the .* were sent).*may hold some of the"},
    {"an entry refused", "^the radio refused 1 of the [0-9]+ commands of the .* \\(it answered \"\\?;\"\\): "
                         "(EX09900001;|MW0999|MW1)"},
    {"port held", PortHeld},
    {"stopped at poll 5",
     "^stopped at the operator's request after [0-9]+ commands of the .*; the radio may hold some"},
    // With no rows nothing is sent: the port's open is not examined, so nothing fails.
    {"port held, nothing to write", Succeeds},
};

// The window's services whose poll can pull the line away, or the operator stop, mid-operation.
class FaultServices : public RecordingServices
{
public:
    void fncWaitCursor() override
    {
        RecordingServices::fncWaitCursor();
        if (fault && waitCursorCalls == fault->vanishAtPoll) {
            radio->stop();
            vanished = true;
        }
    }
    bool cancelRequested() const override
    {
        return fault && fault->stopAtPoll > 0 && waitCursorCalls >= fault->stopAtPoll;
    }
    const RadioFault *fault = nullptr; // armed once the operation's tables are ready
    sim::SimRadio *radio = nullptr;
    bool vanished = false;
};

// What `fn` (a member or a callable) finds in the radio's model.
template <typename Radio, typename Fn> auto inModel(sim::SimRadio &radio, Fn fn)
{
    std::invoke_result_t<Fn, Radio &> result{};
    radio.withPersonality([&](sim::Personality &p) { result = std::invoke(fn, static_cast<Radio &>(p)); });
    return result;
}

// Descriptors of this process open on `device` (the simulated radio holds one of its own).
int descriptorsOn(const QString &device)
{
    int count = 0;
    for (const QFileInfo &entry : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System))
        count += entry.symLinkTarget() == device;
    return count;
}

// ---- File faults

enum FileOperation { ImportBoot, ImportFirmware, ImportSettings, ExportSettings, CliRead };
using FileStep = bool (*)(RecordingServices &, const QString &path, const QString &device);
const std::pair<const char *, FileStep> FileOperations[] = {
    {"fncImportMotFile", [](auto &w, auto &path, auto &) { return fncImportMotFile(w, path, "BootPrg"); }},
    {"fncImportFirmwareFile", [](auto &w, auto &path, auto &) { return fncImportFirmwareFile(w, path, "UserPrg"); }},
    {"fncImportCsvFile", [](auto &w, auto &path, auto &) { return fncImportCsvFile(w, path); }},
    {"fncExportCsvFile", [](auto &w, auto &path, auto &) { return fncExportCsvFile(w, path); }},
    {"brisk read", [](auto &, auto &path, auto &device) {
         return runRead({"brisk", "read", path, "--port", device, "-q"}) == 0;
     }}};
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
    CutShort,       // a settings file from a read, cut in the middle of a line
    NotUtf8,        // a name whose bytes are not UTF-8 (Latin-1 "é"), as a file dialog hands it on
};
// Faults that are a place of their own.
const QMap<FileFault, QString> FaultPlaces = {
    {ReadFails, "/proc/self/mem"}, {EndlessDevice, "/dev/zero"}, {Unsized, "/proc/self/pagemap"}};
const char *const FileFaultNames[] = {
    "missing",   "a folder in its place", "read fails", "read-only folder", "disk full",
    "FIFO",      "device node",           "/dev/zero",  "oversized",        "unsized",
    "cut short", "name not UTF-8"};

struct FileRow
{
    FileOperation operation;
    FileFault fault;
    bool succeeds;
    QString reason = {}; // what the reason says, where the fault has its own
};

QList<FileRow> fileRows()
{
    const QString notAFile = QStringLiteral("it is not a regular file (a device or a pipe)");
    const QString notKept = QStringLiteral("is not valid UTF-8");
    QList<FileRow> rows;
    // Reading is not stopped by a read-only or full disk.
    for (FileOperation op : {ImportBoot, ImportFirmware, ImportSettings}) {
        const QString tooLarge = op == ImportSettings ? QStringLiteral("larger than 1 MB") : "larger than 64 MB";
        rows << FileRow{op, Missing, false} << FileRow{op, Folder, false} << FileRow{op, ReadFails, false}
             << FileRow{op, ReadOnlyFolder, true} << FileRow{op, DiskFull, true} << FileRow{op, Fifo, false, notAFile}
             << FileRow{op, DeviceNode, false, notAFile} << FileRow{op, EndlessDevice, false, notAFile}
             << FileRow{op, Oversized, false, tooLarge} << FileRow{op, Unsized, false, tooLarge}
             << FileRow{op, NotUtf8, false, notKept};
    }
    rows << FileRow{ImportSettings, CutShort, false,
                    QStringLiteral("the line has no line end: the file was cut short")};
    for (FileOperation op : {ExportSettings, CliRead})
        rows << FileRow{op, Missing, false, QStringLiteral("does not exist")}
             << FileRow{op, Folder, false, QStringLiteral("it is a folder")} << FileRow{op, ReadOnlyFolder, false}
             << FileRow{op, DiskFull, false} << FileRow{op, Fifo, false, notAFile}
             << FileRow{op, DeviceNode, false, notAFile} << FileRow{op, NotUtf8, false, notKept};
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

Q_DECLARE_METATYPE(RadioRow)
Q_DECLARE_METATYPE(FileRow)

// Every radio operation through every fault of the simulated radio and the port, and every
// file operation through every file fault. Each row says whether the operation succeeds
// and checks that a failure says why. A radio row checks that the port is let go, that
// nothing was sent after the fault that the exchange does not call for, and what the radio
// and tables hold; a file row that a failed import leaves its tables empty, a failed save
// the old file byte for byte and nothing beside it, and that `brisk read` asks the radio
// nothing when its output cannot be written.
class TestFaultMatrix : public LinkTestCase
{
    Q_OBJECT

public:
    TestFaultMatrix() : LinkTestCase(200ms, 1ms) {}

private slots:
    void initTestCase();
    void radioOperationUnderFault_data();
    void radioOperationUnderFault();
    void fileOperationUnderFault_data();
    void fileOperationUnderFault();

private:
    QTemporaryDir m_dir;
    QString m_settingsFile; // a whole read of radio contents 1
    QByteArray m_settings;
    QByteArray m_smallSettings;                   // its first and last lines
    QMap<QByteArray, QByteArray> m_expectedMenus; // radio 0's menus once the file is written
    QMap<QByteArray, QByteArray> m_sourceChannels;
    int m_menuRows = 0;
    QByteArray m_image = randomBytes(FirmwareImage::FullImageBytes, 31);
    QByteArray m_loader = randomBytes(3, 5);
};

void TestFaultMatrix::initTestCase()
{
    init();
    RecordingServices services;
    SimulatedRadio radio(1);
    QVERIFY(m_dir.isValid() && services.isValid() && radio.start());
    QVERIFY2(fncMenuRead(services) && fncMemoryChennelRead(services), qPrintable(services.failureReason()));
    m_settingsFile = m_dir.filePath(QStringLiteral("radio1.csv"));
    QVERIFY(fncExportCsvFile(services, m_settingsFile));
    m_settings = SRecordFiles::readFile(m_settingsFile);
    QVERIFY(m_settings.size() > 16 * 1024);
    m_smallSettings = m_settings.left(m_settings.indexOf('\n', 100) + 1) +
                      m_settings.mid(m_settings.lastIndexOf('\n', m_settings.size() - 100) + 1);
    m_menuRows = services.rowCount(QStringLiteral("MenuData"));
    m_sourceChannels = radio.model(&sim::NormalRadio::channels);
    // An EX set with an empty value has the length of a read, and the radio takes it
    // as one: those menus, and those the file leaves out, keep radio 0's values.
    m_expectedMenus = sim::NormalRadio(0).menus();
    for (const QString &row : services.rows(QStringLiteral("MenuData"))) {
        const QStringList v = row.split(QLatin1Char('|'));
        if (!v.value(5).isEmpty())
            m_expectedMenus.insert((v[0] + v[1] + v[2] + v[3] + v[4]).toLatin1(), v[5].toLatin1());
    }
}

void TestFaultMatrix::radioOperationUnderFault_data()
{
    QTest::addColumn<RadioRow>("row");
    QList<RadioRow> rows(std::begin(FixedRows), std::end(FixedRows));
    for (const auto &[operation, at] : {std::pair{TypeRead, 1}, {MenuRead, 3}, {ChannelRead, 2}})
        for (const auto &[fault, reason] : ReadFaults)
            rows << RadioRow{operation, QString::fromLatin1(fault).replace('@', QString::number(at)), reason};
    for (const Operation operation : {MenuWrite, ChannelWrite})
        for (const auto &[fault, reason] : WriteFaults)
            rows << RadioRow{operation, fault, reason};
    for (const RadioRow &row : rows)
        QTest::addRow("%s | %s", Operations[row.operation].first, qPrintable(row.fault)) << row;
}

void TestFaultMatrix::radioOperationUnderFault()
{
    QFETCH(RadioRow, row);
    const Operation op = row.operation;
    RadioFault fault;
    QVERIFY2(parseFault(row.fault, fault), qPrintable(row.fault));
    const bool firmware = op <= ProgramTransfer;
    const bool write = op == MenuWrite || op == ChannelWrite;
    std::unique_ptr<sim::Personality> personality;
    if (firmware || fault.firmwareMode) {
        personality = std::make_unique<sim::FirmwareRadio>(fault.firmware);
    } else {
        auto normal = std::make_unique<sim::NormalRadio>(0);
        normal->setDuplicateEchoAt(fault.duplicateEchoAt);
        normal->setJoinAt(fault.joinAt);
        normal->setTypeFields(fault.typeUnanswered ? QByteArray() : QByteArray("800"));
        personality = std::move(normal);
    }
    sim::SimRadio radio(std::move(personality), {.faults = fault.line});
    FaultServices services;
    QSqlDatabase db = services.WorkConnection();
    QVERIFY(services.isValid() && radio.start());
    const QString device = radio.devicePath();
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), device);
    // What the operation works from: the loader (running, for the program), the file for a write.
    QVERIFY(!firmware || ImageRows::storeBoot(db, m_loader));
    QVERIFY(op != ProgramTransfer ||
            (ImageRows::storeProgram(db, QStringLiteral("UserPrg"), m_image) && fncTransmitBootProgram(services)));
    QVERIFY(!write || fault.emptyTable || fncImportCsvFile(services, m_settingsFile));
    QVERIFY(!(write ? fault.refusedEntry : op == MenuRead || op == ChannelRead) ||
            QSqlQuery(db).exec(QLatin1String(ExtraRows[op])));
    QVERIFY(radio.waitUntilIdle());
    const qsizetype receivedBefore = radio.received().size();
    const int heldBefore = descriptorsOn(device);
    clsBriskHx7730 otherProgram;
    QVERIFY(!fault.portHeld || otherProgram.CommOpen(QString::fromLatin1(SettingsCom1)));
    services.clearFailure();
    services.waitCursorCalls = 0;
    services.fault = &fault;
    services.radio = &radio;

    const bool succeeded = Operations[op].second(services);

    QCOMPARE(succeeded, row.reason == Succeeds);
    const QString reason = services.failureReason();
    QVERIFY2(succeeded ? reason.isEmpty() : !reason.isEmpty() && reason.contains(QRegularExpression(row.reason)),
             qPrintable(reason));
    otherProgram.CommClose();
    // A line that went away takes the radio's own descriptor with it.
    const bool lineGone = services.vanished || radio.lineClosed();
    QVERIFY2(descriptorsOn(device) == (lineGone ? 0 : heldBefore), "the operation kept the port open");
    if (!services.vanished) {
        QVERIFY(radio.waitUntilIdle());
        clsBriskHx7730 probe;
        QVERIFY2(lineGone || probe.CommOpen(QString::fromLatin1(SettingsCom1)), qPrintable(probe.lastError()));
        QVERIFY(!fault.portHeld || radio.received().size() == receivedBefore);
        const QString after = QString::fromLatin1(radio.receivedAfterFault());
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(row.afterFault)).match(after).hasMatch(),
                 qPrintable(QStringLiteral("sent after the fault: \"%1\"").arg(after.left(80))));
    }
    // What the operation leaves behind: whole on success; on failure what the rules allow.
    const QString table = op == MenuRead ? QStringLiteral("MenuData") : QStringLiteral("MemoryData");
    if (op == BootTransfer && succeeded)
        QCOMPARE(inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::loaderBytes), m_loader);
    if (op == BootTransfer && !succeeded && fault.line.silenceFrom != LoaderRunning) // there only the report is lost
        QVERIFY(!inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::loaderRunning));
    if (op == ProgramTransfer) {
        const size_t written = inModel<sim::FirmwareRadio>(radio, [](auto &r) { return r.blocksWritten().size(); });
        QCOMPARE(written == FirmwareImage::Layout.size(), succeeded);
        QVERIFY(!succeeded || inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::memory) == m_image);
        // A refused block ends the write: the radio waits for the synchronisation again.
        QVERIFY(!fault.firmware.refuseBlock || fncTransmitBootProgram(services));
    }
    // A failed read keeps the rows read so far, a whole one holds them all; none of an earlier read's.
    if (op == MenuRead || op == ChannelRead) {
        const int whole = op == MenuRead ? m_menuRows : 2 * MemoryChannelCount;
        QVERIFY(succeeded ? services.rowCount(table) == whole : services.rowCount(table) < whole);
        QVERIFY(services.rows(table).filter(QStringLiteral("stale")).isEmpty());
    }
    if (op == MenuWrite && succeeded)
        QVERIFY(inModel<sim::NormalRadio>(radio, &sim::NormalRadio::menus) ==
                (fault.emptyTable ? sim::NormalRadio(0).menus() : m_expectedMenus));
    if (op == ChannelWrite && succeeded)
        QVERIFY(inModel<sim::NormalRadio>(radio, &sim::NormalRadio::channels) ==
                (fault.emptyTable ? sim::NormalRadio(0).channels() : m_sourceChannels));
}

void TestFaultMatrix::fileOperationUnderFault_data()
{
    QTest::addColumn<FileRow>("row");
    for (const FileRow &row : fileRows())
        QTest::addRow("%s | %s", FileOperations[row.operation].first, FileFaultNames[row.fault]) << row;
}

void TestFaultMatrix::fileOperationUnderFault()
{
    QFETCH(FileRow, row);
    const bool import = row.operation <= ImportSettings;
    const QByteArray image = SRecordFiles::imageAsS2(m_image.left(256));
    RecordingServices services;
    SimulatedRadio radio;
    QVERIFY(services.isValid() && radio.start());
    // What the operation would replace: an import's tables, or the tables a save writes out.
    const FileOperation filler = import ? row.operation : ImportSettings;
    const QString before = m_dir.filePath(QStringLiteral("before.dat"));
    QVERIFY(SRecordFiles::writeFile(before, filler == ImportSettings ? m_settings : image));
    QVERIFY2(FileOperations[filler].second(services, before, {}), qPrintable(services.failureReason()));

    const QString folder = m_dir.filePath(QStringLiteral("place"));
    QVERIFY(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/settings.dat");
    const QByteArray oldFile = !import ? "MR,old file\n" : row.operation == ImportSettings ? m_smallSettings : image;
    const QByteArray name = QFile::encodeName(path);
    const bool mounted = (row.fault == ReadOnlyFolder || row.fault == DiskFull) &&
                         runTool("mount", {"-t", "tmpfs", "-o", "size=16k,mode=0755", "tmpfs", folder});
    const auto unmount = qScopeGuard([&] { mounted &&runTool("umount", {folder}); });
    QFile big(path);
    const QByteArray latin1Name = QFile::encodeName(folder) + "/caf\xE9.dat"; // Qt cannot remove it by name
    const auto removeLatin1 = qScopeGuard([&] { ::unlink(latin1Name.constData()); });
    path = FaultPlaces.value(row.fault, path);
    switch (row.fault) {
    case Missing:
        path = import ? path : folder + QStringLiteral("/absent/settings.dat");
        break;
    default: // a place of its own
        break;
    case Folder:
        QVERIFY(QDir().mkpath(path));
        break;
    case Fifo:
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        break;
    case DeviceNode:
        if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("cannot make a device node here (it needs root)");
        break;
    case Oversized: // sparse: the size costs no disk
        QVERIFY(big.open(QIODevice::WriteOnly) &&
                big.resize((row.operation == ImportSettings ? 1 : 64) * 1024 * 1024 + 1));
        break;
    case CutShort:
        QVERIFY(SRecordFiles::writeFile(path, m_settings.chopped(3)));
        break;
    case NotUtf8: // the file is there for an import; a save would be made under another name
        path = QFile::decodeName(latin1Name);
        QVERIFY(!import || ::symlink(QFile::encodeName(before).constData(), latin1Name.constData()) == 0);
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

    const bool succeeded = FileOperations[row.operation].second(services, path, radio.line().devicePath());

    QCOMPARE(succeeded, row.succeeds);
    const QString reason = services.failureReason();
    QVERIFY2(succeeded || row.operation == CliRead || (!reason.isEmpty() && reason.contains(row.reason)),
             qPrintable(reason));
    const QStringList tables = row.operation == ImportBoot       ? QStringList{"BootPrg"}
                               : row.operation == ImportFirmware ? QStringList{"UserPrg"}
                                                                 : QStringList{"MemoryData", "MenuData"};
    for (const QString &table : tables)
        QVERIFY(!import || (succeeded ? services.rowCount(table) > 0 : services.rowCount(table) == 0));
    // A failed save leaves everything as it was: the old file, the folder, nothing beside them.
    if (!import) {
        QCOMPARE(listing(folder), entries);
        QCOMPARE(kindAt(path), kindBefore);
        QVERIFY(kindBefore != S_IFREG || SRecordFiles::readFile(path) == oldFile);
    }
    // Only a full disk is found by the save itself; the rest before the radio is asked anything.
    QVERIFY(row.operation != CliRead || row.fault == DiskFull || radio.line().received().isEmpty());
    QVERIFY(row.operation != CliRead || radio.portIsFree());
}

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
