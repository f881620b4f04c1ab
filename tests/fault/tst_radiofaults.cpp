#include "FlashFixture.h"
#include "LinkTestCase.h"
#include "RecordingServices.h"

#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "flash/BootTransfer.h"
#include "flash/FirmwareImage.h"
#include "flash/ProgramTransfer.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr auto Slow = 400ms; // twice the reply limit
constexpr auto Stopped =
    "^stopped at the operator's request: the radio holds part of the firmware and must be written again$";
constexpr auto PortHeld = "/dev/pts/[0-9]+ is in use by another program";
constexpr int LoaderBytes = 3;
constexpr int LoaderRunning = 8; // the firmware radio's reply once the loader runs

enum Operation { BootTransfer, ProgramTransfer, TypeRead, MenuRead, MenuWrite, ChannelRead, ChannelWrite };
const char *const OperationNames[] = {"boot-loader transfer", "program transfer", "type read",    "menu read",
                                      "menu write",           "channel read",     "channel write"};

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

// One row: the operation, its fault, and a pattern the failure's reason matches (none
// for a success) and one for what may reach the radio after the fault.
struct Row
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
const Row FixedRows[] = {
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
    {MenuRead, "silent from 1", "^menu bank A: the radio did not answer a menu read \\(EX0000000;", "MF0;EX0000000;"},
    {MenuRead, "no type answer", Succeeds},
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
    {"line gone at poll 5", "(could not all be sent|went away while the .* were sent).*may hold some of the"},
    {"an entry refused", "^the radio refused 1 of the [0-9]+ commands of the .* \\(it answered \"\\?;\"\\): "
                         "(EX09900001;|MW0999|MW1)"},
    {"port held", PortHeld},
    {"stopped at poll 5",
     "^stopped at the operator's request after [0-9]+ commands of the .*; the radio may hold some"},
    // With no rows nothing is sent: the port's open is not examined, so nothing fails.
    {"port held, nothing to write", Succeeds},
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

} // namespace

Q_DECLARE_METATYPE(Row)

// Every radio operation through every fault of the simulated radio and the port:
// the table says which end in success by design and which fail; every row checks
// that a failure says why, that the port is let go, that nothing was sent after the
// fault that the exchange does not call for, and what the radio and tables hold.
class TestRadioFaults : public LinkTestCase
{
    Q_OBJECT

public:
    TestRadioFaults() : LinkTestCase(200ms, 1ms) {}

private slots:
    void initTestCase();
    void operationUnderFault_data();
    void operationUnderFault();

private:
    bool prepare(const Row &row, const RadioFault &fault, FaultServices &services);
    bool run(Operation operation, FaultServices &services, QString &typeLabel);
    void checkOutcome(const Row &row, const RadioFault &fault, bool succeeded, FaultServices &services,
                      sim::SimRadio &radio, const QString &typeLabel);

    QTemporaryDir m_dir;
    QString m_settingsFile;                       // a whole read of radio contents 1
    QMap<QByteArray, QByteArray> m_expectedMenus; // radio 0's menus once the file is written
    QMap<QByteArray, QByteArray> m_sourceChannels;
    int m_menuRows = 0;
    QByteArray m_image = randomBytes(FirmwareImage::FullImageBytes, 31);
    QByteArray m_loader = randomBytes(LoaderBytes, 5);
};

void TestRadioFaults::initTestCase()
{
    init();
    RecordingServices services;
    SimulatedRadio radio(1);
    QVERIFY(m_dir.isValid() && services.isValid() && radio.start());
    QVERIFY2(fncMenuRead(services) && fncMemoryChennelRead(services), qPrintable(services.failureReason()));
    m_settingsFile = m_dir.filePath(QStringLiteral("radio1.csv"));
    QVERIFY(fncExportCsvFile(services, m_settingsFile));
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

void TestRadioFaults::operationUnderFault_data()
{
    QTest::addColumn<Row>("row");
    QList<Row> rows(std::begin(FixedRows), std::end(FixedRows));
    for (const auto &[operation, at] : {std::pair{TypeRead, 1}, {MenuRead, 3}, {ChannelRead, 2}})
        for (const auto &[fault, reason] : ReadFaults)
            rows << Row{operation, QString::fromLatin1(fault).replace('@', QString::number(at)), reason};
    for (const Operation operation : {MenuWrite, ChannelWrite})
        for (const auto &[fault, reason] : WriteFaults)
            rows << Row{operation, fault, reason};
    for (const Row &row : rows)
        QTest::addRow("%s | %s", OperationNames[row.operation], qPrintable(row.fault)) << row;
}

// Tables the operation works from, and for the program the loader it talks to.
bool TestRadioFaults::prepare(const Row &row, const RadioFault &fault, FaultServices &services)
{
    QSqlDatabase db = services.WorkConnection();
    QSqlQuery query(db);
    const bool write = row.operation == MenuWrite || row.operation == ChannelWrite;
    const bool loaded = !write || fault.emptyTable || fncImportCsvFile(services, m_settingsFile);
    switch (row.operation) {
    case BootTransfer:
        return ImageRows::storeBoot(db, m_loader);
    case ProgramTransfer:
        return ImageRows::storeBoot(db, m_loader) && ImageRows::storeProgram(db, QStringLiteral("UserPrg"), m_image) &&
               fncTransmitBootProgram(services);
    case MenuWrite:
        return loaded && (!fault.refusedEntry ||
                          query.exec(QStringLiteral("INSERT INTO MenuData VALUES ('A','099','00','0','0','1')")));
    case ChannelWrite:
        return loaded && (!fault.refusedEntry ||
                          query.exec(QStringLiteral("INSERT INTO MemoryData VALUES ('0','9','99','00145000000','1','0',"
                                                    "'0','00','00','000','0','0','000000000','00','0','')")));
    case MenuRead: // a read replaces what an earlier one left, even when it cannot open the port
        return query.exec(QStringLiteral("INSERT INTO MenuData VALUES ('B','999','00','0','0','stale')"));
    case ChannelRead:
        return query.exec(
            QStringLiteral("INSERT INTO MemoryData VALUES ('9','9','99','','','','','','','','','','','','','stale')"));
    default:
        return true;
    }
}

bool TestRadioFaults::run(Operation operation, FaultServices &services, QString &typeLabel)
{
    switch (operation) {
    case BootTransfer:
        return fncTransmitBootProgram(services);
    case ProgramTransfer:
        return fncTransmitProgram(services, QStringLiteral("UserPrg"));
    case TypeRead:
        // The type read answers with a label either way; a failure leaves only its reason.
        typeLabel = fncTypeRead(services);
        return services.failureReason().isEmpty();
    case MenuRead:
        return fncMenuRead(services);
    case MenuWrite:
        return fncMenuWrite(services);
    case ChannelRead:
        return fncMemoryChennelRead(services);
    case ChannelWrite:
        return fncMemoryChennelWrite(services);
    }
    return false;
}

// What the operation leaves behind: whole on success; on failure what the rules allow.
void TestRadioFaults::checkOutcome(const Row &row, const RadioFault &fault, bool succeeded, FaultServices &services,
                                   sim::SimRadio &radio, const QString &typeLabel)
{
    const bool menus = row.operation == MenuRead || row.operation == MenuWrite;
    const QString table = menus ? QStringLiteral("MenuData") : QStringLiteral("MemoryData");
    switch (row.operation) {
    case BootTransfer:
        if (succeeded)
            QCOMPARE(inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::loaderBytes), m_loader);
        else if (fault.line.silenceFrom != LoaderRunning) // there the loader runs; only its report is lost
            QVERIFY(!inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::loaderRunning));
        break;
    case ProgramTransfer: {
        const size_t written = inModel<sim::FirmwareRadio>(radio, [](auto &r) { return r.blocksWritten().size(); });
        QCOMPARE(written == FirmwareImage::Layout.size(), succeeded);
        QVERIFY(!succeeded || inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::memory) == m_image);
        break;
    }
    case TypeRead: // radio 0 answers "TY800;"; without an answer the label is the default
        QCOMPARE(typeLabel, succeeded ? QStringLiteral("K") : QStringLiteral("K - EXT"));
        break;
    case MenuRead:
    case ChannelRead: {
        // A failed read keeps the rows read so far, a whole one holds them all; none of an earlier read's.
        // Without a type answer the plan counts an EXT unit: menu 061, sub-numbers 01-02, in both banks.
        const int whole = menus ? m_menuRows : 2 * MemoryChannelCount;
        if (succeeded)
            QCOMPARE(services.rowCount(table), whole + (fault.typeUnanswered ? 4 : 0));
        else
            QVERIFY(services.rowCount(table) < whole);
        QVERIFY(services.rows(table).filter(QStringLiteral("stale")).isEmpty());
        break;
    }
    case MenuWrite:
        QVERIFY(!succeeded || inModel<sim::NormalRadio>(radio, &sim::NormalRadio::menus) ==
                                  (fault.emptyTable ? sim::NormalRadio(0).menus() : m_expectedMenus));
        break;
    case ChannelWrite:
        QVERIFY(!succeeded || inModel<sim::NormalRadio>(radio, &sim::NormalRadio::channels) ==
                                  (fault.emptyTable ? sim::NormalRadio(0).channels() : m_sourceChannels));
        break;
    }
}

void TestRadioFaults::operationUnderFault()
{
    QFETCH(Row, row);
    RadioFault fault;
    QVERIFY2(parseFault(row.fault, fault), qPrintable(row.fault));
    std::unique_ptr<sim::Personality> personality;
    if (row.operation <= ProgramTransfer || fault.firmwareMode) {
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
    QVERIFY(services.isValid() && radio.start());
    const QString device = radio.devicePath();
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), device);
    QVERIFY2(prepare(row, fault, services), qPrintable(services.failureReason()));
    QVERIFY(radio.waitUntilIdle());
    const qsizetype receivedBefore = radio.received().size();
    const int heldBefore = descriptorsOn(device);
    clsBriskHx7730 otherProgram;
    QVERIFY(!fault.portHeld || otherProgram.CommOpen(QString::fromLatin1(SettingsCom1)));
    services.clearFailure();
    services.waitCursorCalls = 0;
    services.fault = &fault;
    services.radio = &radio;

    QString typeLabel;
    const bool succeeded = run(row.operation, services, typeLabel);

    QCOMPARE(succeeded, (row.reason == Succeeds));
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
    checkOutcome(row, fault, succeeded, services, radio, typeLabel);
}

QTEST_GUILESS_MAIN(TestRadioFaults)
#include "tst_radiofaults.moc"
