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
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/FirmwareRadio.h"
#include "sim/NormalRadio.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace std::chrono_literals;

namespace {

constexpr auto ReplyLimit = 200ms;
constexpr auto SlowBeyondLimit = 2 * ReplyLimit;
constexpr auto Stopped = "^stopped at the operator's request: the radio holds part of the firmware and must be "
                         "written again$";
constexpr auto PortHeld = "/dev/pts/[0-9]+ is in use by another program";
constexpr int LoaderBytes = 3;
// With a 3-byte loader the firmware radio's replies are: 1 sync, 2 start, 3-4 length,
// 5-7 loader, 8 loader running; the program's then run 9 write request, 10 header,
// 11-42 frames, 43 block check.
constexpr int BootReplies = 8;

enum class Operation { BootTransfer, ProgramTransfer, TypeRead, MenuRead, MenuWrite, ChannelRead, ChannelWrite };

const char *nameOf(Operation operation)
{
    static const char *const names[] = {"boot-loader transfer", "program transfer", "type read",    "menu read",
                                        "menu write",           "channel read",     "channel write"};
    return names[int(operation)];
}

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

// The window's services whose poll can pull the line away, or the operator stop, mid-operation.
class FaultServices : public RecordingServices
{
public:
    void fncWaitCursor() override
    {
        RecordingServices::fncWaitCursor();
        if (vanishAtPoll > 0 && waitCursorCalls == vanishAtPoll && vanish) {
            vanish();
            vanished = true;
        }
    }
    bool cancelRequested() const override { return stopAtPoll > 0 && waitCursorCalls >= stopAtPoll; }
    int stopAtPoll = 0;
    int vanishAtPoll = 0;
    std::function<void()> vanish;
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
    const auto entries = QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System);
    for (const QFileInfo &entry : entries)
        count += entry.symLinkTarget() == device;
    return count;
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(RadioFault)

// Every radio operation through every fault of the simulated radio and the port:
// the table says which end in success by design and which fail; every row checks
// that a failure says why, that the port is let go and that nothing was sent
// after the fault that the exchange does not call for.
class TestRadioFaults : public LinkTestCase
{
    Q_OBJECT

public:
    TestRadioFaults() : LinkTestCase(ReplyLimit, 1ms) {}

private slots:
    void initTestCase();
    void operationUnderFault_data();
    void operationUnderFault();

private:
    void addRow(Operation operation, const char *fault, const RadioFault &what, bool succeeds,
                const QString &reason = {}, const QString &afterFault = {});
    void addFirmwareRows();
    void addReadRows(Operation operation, int at);
    void addWriteRows(Operation operation);
    std::unique_ptr<sim::Personality> personalityFor(Operation operation, const RadioFault &fault);
    bool prepare(Operation operation, const RadioFault &fault, FaultServices &services);
    bool run(Operation operation, FaultServices &services, QString &typeLabel);
    void checkOutcome(Operation operation, const RadioFault &fault, bool succeeded, FaultServices &services,
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
    QVERIFY(m_dir.isValid());
    linkTiming().aiPause = 1ms;
    RecordingServices services;
    sim::SimRadio radio(std::make_unique<sim::NormalRadio>(1));
    QVERIFY(services.isValid() && radio.start());
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), radio.devicePath());
    QVERIFY2(fncMenuRead(services) && fncMemoryChennelRead(services), qPrintable(services.failureReason()));
    m_settingsFile = m_dir.filePath(QStringLiteral("radio1.csv"));
    QVERIFY(fncExportCsvFile(services, m_settingsFile));
    m_menuRows = services.rowCount(QStringLiteral("MenuData"));
    QCOMPARE(services.rowCount(QStringLiteral("MemoryData")), 2 * MemoryChannelCount);
    QVERIFY(radio.waitUntilIdle());
    m_sourceChannels = inModel<sim::NormalRadio>(radio, &sim::NormalRadio::channels);
    // An EX set with an empty value has the length of a read, and the radio takes it
    // as one: those menus, and those the file leaves out, keep radio 0's values.
    sim::NormalRadio target(0);
    m_expectedMenus = target.menus();
    for (const QString &row : services.rows(QStringLiteral("MenuData"))) {
        const QStringList v = row.split(QLatin1Char('|'));
        if (!v.value(5).isEmpty())
            m_expectedMenus.insert((v[0] + v[1] + v[2] + v[3] + v[4]).toLatin1(), v[5].toLatin1());
    }
    clsBriskHx7730::clearPortOverrides();
}

void TestRadioFaults::addRow(Operation operation, const char *fault, const RadioFault &what, bool succeeds,
                             const QString &reason, const QString &afterFault)
{
    QTest::addRow("%s | %s", nameOf(operation), fault) << operation << what << succeeds << reason << afterFault;
}

void TestRadioFaults::addFirmwareRows()
{
    const auto boot = Operation::BootTransfer;
    const auto program = Operation::ProgramTransfer;
    addRow(boot, "none", {}, true);
    // Silence in every waiting state; only the synchronisation goes on sending (zeros).
    addRow(boot, "silent from the sync", {.line = {.silenceFrom = 1}}, false,
           "stayed silent after the synchronisation .*firmware-write mode", QStringLiteral("\\x00*"));
    const std::pair<int, const char *> bootSilences[] = {
        {2, "stayed silent after the start request 0x55 \\(waited 0.2 s for 0xAA\\)"},
        {3, "stayed silent after the loader length's high byte"},
        {4, "stayed silent after the loader length's low byte"},
        {6, "stayed silent after loader byte 2 of 3"},
        {8, "stayed silent after the whole loader, which should now be running"}};
    for (const auto &[at, reason] : bootSilences)
        addRow(boot, qPrintable(QStringLiteral("silent from reply %1").arg(at)), {.line = {.silenceFrom = at}}, false,
               reason);
    addRow(boot, "stray byte apart before the start reply", {.line = {.strayByteAt = 2, .strayGap = 30ms}}, true);
    addRow(boot, "stray byte run into the start reply", {.line = {.doubleAt = 2}}, false,
           "answered something else after the start request 0x55 \\(0xAA 0xAA where 0xAA was due\\)");
    addRow(boot, "split reply", {.line = {.splitAt = 2}}, true);
    addRow(boot, "reply twice, run together", {.line = {.doubleAt = 3}}, false,
           "answered something else after the loader length's high byte");
    addRow(boot, "line gone at a loader byte", {.line = {.closeAt = 6}}, false,
           "line to the radio went away after loader byte 2 of 3");
    addRow(boot, "slow within the limit", {.line = {.slow = 20ms}}, true);
    addRow(boot, "slow beyond the limit", {.line = {.slow = SlowBeyondLimit}}, false,
           "stayed silent after the synchronisation");
    addRow(boot, "sync answered from the third zero", {.firmware = {.syncAfter = 3}}, true);
    addRow(boot, "wrong echo", {.firmware = {.wrongEchoAt = 4}}, false,
           "^the radio echoed (0x[0-9A-F]{2}) for (?!\\1)0x[0-9A-F]{2} \\(loader byte 2 of 3");
    addRow(boot, "port held by another program", {.portHeld = true}, false, PortHeld);
    addRow(boot, "stopped by the operator", {.stopAtPoll = 5}, false, Stopped);

    addRow(program, "none", {}, true);
    const std::pair<int, const char *> programSilences[] = {
        {BootReplies + 1, "stayed silent after the write request for block 1 \\(address 0x000000\\)"},
        {BootReplies + 2, "stayed silent after the header of block 1"},
        {BootReplies + 4, "stayed silent after frame 2 of block 1 \\(address 0x000000\\)"},
        {BootReplies + 35, "stayed silent after the block check of block 1"},
        {BootReplies + 36, "stayed silent after the write request for block 2 \\(address 0x001000\\)"}};
    for (const auto &[at, reason] : programSilences)
        addRow(program, qPrintable(QStringLiteral("silent from reply %1").arg(at)), {.line = {.silenceFrom = at}},
               false, reason);
    addRow(program, "stray byte apart before the header reply",
           {.line = {.strayByteAt = BootReplies + 2, .strayGap = 30ms}}, true);
    addRow(program, "reply twice, run together", {.line = {.doubleAt = BootReplies + 2}}, false,
           "answered something else after the header of block 1");
    addRow(program, "line gone at a frame", {.line = {.closeAt = BootReplies + 4}}, false,
           "went away after frame 2 of block 1");
    addRow(program, "block refused", {.firmware = {.refuseBlock = 3}}, false,
           "^the radio refused block 3 \\(address 0x002000\\): its check did not match \\(0x15\\)$");
    addRow(program, "double reply to the header", {.firmware = {.doubleReplyAt = BootReplies + 2}}, false,
           "answered something else after the header of block 1 .*\\(0x11 0x11 where 0x11 was due\\)");
    addRow(program, "port held by another program", {.portHeld = true}, false, PortHeld);
    addRow(program, "stopped by the operator", {.stopAtPoll = 5}, false, Stopped);
}

// Text-mode reads; `at` is the reply counted from the first that the fault hits.
void TestRadioFaults::addReadRows(Operation operation, int at)
{
    addRow(operation, "none", {}, true);
    addRow(operation, "silent", {.line = {.silenceFrom = at}}, false,
           "the radio did not answer .*, waited 0.2 s\\): check that the radio is switched on normally");
    addRow(operation, "stray byte apart before a reply", {.line = {.strayByteAt = at, .strayGap = 30ms}}, false,
           "answered .* with something else \\(.*: \"~(TY|EX|MR)");
    addRow(operation, "split reply", {.line = {.splitAt = at}}, true);
    addRow(operation, "reply twice, run together", {.line = {.doubleAt = at}}, false, "with something else");
    addRow(operation, "line gone", {.line = {.closeAt = at}}, false, "the line to the radio went away during");
    addRow(operation, "slow beyond the limit", {.line = {.slow = SlowBeyondLimit}}, false);
    addRow(operation, "answer joined to the next", {.joinAt = at}, false, "with something else");
    addRow(operation, "port held by another program", {.portHeld = true}, false, PortHeld);
    addRow(operation, "radio in firmware-write mode", {.firmwareMode = true}, false, "not in firmware-write mode");
}

// A write's replies are the two type answers around its commands (1 and 2).
void TestRadioFaults::addWriteRows(Operation operation)
{
    addRow(operation, "none", {}, true);
    addRow(operation, "silent", {.line = {.silenceFrom = 1}}, false,
           "were not written: the radio did not answer the type query");
    addRow(operation, "radio in firmware-write mode", {.firmwareMode = true}, false,
           "were not written: .*not in firmware-write mode");
    addRow(operation, "silent after the commands", {.line = {.silenceFrom = 2}}, false,
           "^the radio did not confirm the .*: no answer to the closing type query");
    addRow(operation, "line gone before the confirmation", {.line = {.closeAt = 2}}, false,
           "went away before it confirmed");
    addRow(operation, "line gone mid-write", {.vanishAtPoll = 5}, false,
           "(could not all be sent|went away while the .* were sent).*may hold some of the");
    addRow(
        operation, "an entry refused", {.refusedEntry = true}, false,
        "^the radio refused 1 of the [0-9]+ commands of the .* \\(it answered \"\\?;\"\\): (EX09900001;|MW0999|MW1)");
    addRow(operation, "port held by another program", {.portHeld = true}, false, PortHeld);
    addRow(operation, "stopped by the operator", {.stopAtPoll = 5}, false,
           "^stopped at the operator's request after [0-9]+ commands of the .*; the radio may hold some");
    // With no rows nothing is sent: the port's open is not examined, so nothing fails.
    addRow(operation, "port held, nothing to write", {.portHeld = true, .emptyTable = true}, true);
}

void TestRadioFaults::operationUnderFault_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<RadioFault>("fault");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("reason");     // a pattern the failure's reason matches
    QTest::addColumn<QString>("afterFault"); // what may reach the radio after the fault (a pattern)

    addFirmwareRows();

    addReadRows(Operation::TypeRead, 1);
    addRow(Operation::TypeRead, "slow within the limit", {.line = {.slow = 20ms}}, true);
    addRow(Operation::TypeRead, "no type answer", {.typeUnanswered = true}, false,
           "^the radio did not answer the type query \\(TY;, waited 0.2 s\\)");

    // Replies of the menu read: 1 TY, 2 onwards EX.
    addReadRows(Operation::MenuRead, 3);
    addRow(Operation::MenuRead, "silent from the type query", {.line = {.silenceFrom = 1}}, false,
           "^menu bank A: the radio did not answer a menu read \\(EX0000000;", QStringLiteral("MF0;EX0000000;"));
    addRow(Operation::MenuRead, "no type answer", {.typeUnanswered = true}, true);
    addRow(Operation::MenuRead, "stopped by the operator", {.stopAtPoll = 5}, false,
           "^stopped at the operator's request at menu bank A, menu 004; the radio's settings are unchanged$");

    addReadRows(Operation::ChannelRead, 2);
    addRow(Operation::ChannelRead, "line gone in the second pass", {.line = {.closeAt = 301}}, false,
           "went away during a memory-channel read \\(MR1000;");
    addRow(Operation::ChannelRead, "answer names another channel", {.duplicateEchoAt = 2}, false, "stored already");
    addRow(Operation::ChannelRead, "stopped by the operator", {.stopAtPoll = 5}, false,
           "^stopped at the operator's request at memory-channel entry 0-004; the radio's settings are unchanged$");

    addWriteRows(Operation::MenuWrite);
    addWriteRows(Operation::ChannelWrite);
}

std::unique_ptr<sim::Personality> TestRadioFaults::personalityFor(Operation operation, const RadioFault &fault)
{
    if (operation == Operation::BootTransfer || operation == Operation::ProgramTransfer || fault.firmwareMode)
        return std::make_unique<sim::FirmwareRadio>(fault.firmware);
    auto radio = std::make_unique<sim::NormalRadio>(0);
    radio->setDuplicateEchoAt(fault.duplicateEchoAt);
    radio->setJoinAt(fault.joinAt);
    if (fault.typeUnanswered)
        radio->setTypeFields({});
    return radio;
}

// Tables the operation works from, and for the program the loader it talks to.
bool TestRadioFaults::prepare(Operation operation, const RadioFault &fault, FaultServices &services)
{
    QSqlDatabase db = services.WorkConnection();
    switch (operation) {
    case Operation::BootTransfer:
        return ImageRows::storeBoot(db, m_loader);
    case Operation::ProgramTransfer:
        return ImageRows::storeBoot(db, m_loader) && ImageRows::storeProgram(db, QStringLiteral("UserPrg"), m_image) &&
               fncTransmitBootProgram(services);
    case Operation::MenuWrite:
        return fault.emptyTable ||
               (fncImportCsvFile(services, m_settingsFile) &&
                (!fault.refusedEntry ||
                 QSqlQuery(db).exec(QStringLiteral("INSERT INTO MenuData VALUES ('A','099','00','0','0','1')"))));
    case Operation::ChannelWrite:
        return fault.emptyTable ||
               (fncImportCsvFile(services, m_settingsFile) &&
                (!fault.refusedEntry ||
                 QSqlQuery(db).exec(QStringLiteral("INSERT INTO MemoryData VALUES "
                                                   "('0','9','99','00145000000','1','0','0',"
                                                   "'00','00','000','0','0','000000000','00','0','')"))));
    case Operation::MenuRead: // a read replaces what an earlier one left, even when it cannot open the port
        return QSqlQuery(db).exec(QStringLiteral("INSERT INTO MenuData VALUES ('B','999','00','0','0','stale')"));
    case Operation::ChannelRead:
        return QSqlQuery(db).exec(QStringLiteral("INSERT INTO MemoryData VALUES "
                                                 "('9','9','99','','','','','','','','','','','','','stale')"));
    default:
        return true;
    }
}

bool TestRadioFaults::run(Operation operation, FaultServices &services, QString &typeLabel)
{
    switch (operation) {
    case Operation::BootTransfer:
        return fncTransmitBootProgram(services);
    case Operation::ProgramTransfer:
        return fncTransmitProgram(services, QStringLiteral("UserPrg"));
    case Operation::TypeRead:
        // The type read answers with a label either way; a failure leaves only its reason.
        typeLabel = fncTypeRead(services);
        return services.failureReason().isEmpty();
    case Operation::MenuRead:
        return fncMenuRead(services);
    case Operation::MenuWrite:
        return fncMenuWrite(services);
    case Operation::ChannelRead:
        return fncMemoryChennelRead(services);
    case Operation::ChannelWrite:
        return fncMemoryChennelWrite(services);
    }
    return false;
}

// What the operation leaves behind: whole on success; on failure what the rules allow.
void TestRadioFaults::checkOutcome(Operation operation, const RadioFault &fault, bool succeeded,
                                   FaultServices &services, sim::SimRadio &radio, const QString &typeLabel)
{
    switch (operation) {
    case Operation::BootTransfer:
        if (succeeded)
            QCOMPARE(inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::loaderBytes), m_loader);
        else if (fault.line.silenceFrom != BootReplies) // there the loader runs; only its report is lost
            QVERIFY(!inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::loaderRunning));
        break;
    case Operation::ProgramTransfer: {
        const int written =
            inModel<sim::FirmwareRadio>(radio, [](sim::FirmwareRadio &r) { return int(r.blocksWritten().size()); });
        if (succeeded) {
            QVERIFY(inModel<sim::FirmwareRadio>(radio, &sim::FirmwareRadio::memory) == m_image);
            QCOMPARE(written, int(FirmwareImage::Layout.size()));
        } else {
            QVERIFY(written < int(FirmwareImage::Layout.size()));
        }
        break;
    }
    case Operation::TypeRead:
        // Radio 0 answers "TY800;"; without an answer the label is the default.
        QCOMPARE(typeLabel, succeeded ? QStringLiteral("K") : QStringLiteral("K - EXT"));
        break;
    case Operation::MenuRead:
    case Operation::ChannelRead: {
        // A failed read keeps the rows read so far, a whole one holds them all; none of an earlier read's.
        // Without a type answer the plan counts an EXT unit: menu 061, sub-numbers 01-02, in both banks.
        const bool menus = operation == Operation::MenuRead;
        const QString table = menus ? QStringLiteral("MenuData") : QStringLiteral("MemoryData");
        const int whole = menus ? m_menuRows : 2 * MemoryChannelCount;
        if (succeeded)
            QCOMPARE(services.rowCount(table), whole + (fault.typeUnanswered ? 4 : 0));
        else
            QVERIFY(services.rowCount(table) < whole);
        QVERIFY(services.rows(table).filter(QStringLiteral("stale")).isEmpty());
        break;
    }
    case Operation::MenuWrite:
        if (succeeded)
            QVERIFY(inModel<sim::NormalRadio>(radio, &sim::NormalRadio::menus) ==
                    (fault.emptyTable ? sim::NormalRadio(0).menus() : m_expectedMenus));
        break;
    case Operation::ChannelWrite:
        if (succeeded)
            QVERIFY(inModel<sim::NormalRadio>(radio, &sim::NormalRadio::channels) ==
                    (fault.emptyTable ? sim::NormalRadio(0).channels() : m_sourceChannels));
        break;
    }
}

void TestRadioFaults::operationUnderFault()
{
    QFETCH(Operation, operation);
    QFETCH(RadioFault, fault);
    QFETCH(bool, succeeds);
    QFETCH(QString, reason);
    QFETCH(QString, afterFault);

    FaultServices services;
    QVERIFY(services.isValid());
    sim::SimOptions options;
    options.faults = fault.line;
    sim::SimRadio radio(personalityFor(operation, fault), options);
    QVERIFY(radio.start());
    const QString device = radio.devicePath();
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), device);
    QVERIFY2(prepare(operation, fault, services), qPrintable(services.failureReason()));
    QVERIFY(radio.waitUntilIdle());
    const qsizetype receivedBefore = radio.received().size();
    const int heldBefore = descriptorsOn(device);

    clsBriskHx7730 otherProgram;
    if (fault.portHeld)
        QVERIFY(otherProgram.CommOpen(QString::fromLatin1(SettingsCom1)));
    services.clearFailure();
    services.waitCursorCalls = 0;
    services.vanishAtPoll = fault.vanishAtPoll;
    services.stopAtPoll = fault.stopAtPoll;
    services.vanish = [&radio] { radio.stop(); };

    QString typeLabel;
    const bool succeeded = run(operation, services, typeLabel);

    QCOMPARE(succeeded, succeeds);
    if (succeeds) {
        QVERIFY2(services.failureReason().isEmpty(), qPrintable(services.failureReason()));
    } else {
        QVERIFY(!services.failureReason().isEmpty());
        QVERIFY2(services.failureReason().contains(QRegularExpression(reason)), qPrintable(services.failureReason()));
    }
    otherProgram.CommClose();
    // A line that went away takes the radio's own descriptor with it.
    const bool lineGone = services.vanished || radio.lineClosed();
    QVERIFY2(descriptorsOn(device) == (lineGone ? 0 : heldBefore), "the operation kept the port open");
    if (!services.vanished) {
        QVERIFY(radio.waitUntilIdle());
        if (!lineGone) {
            clsBriskHx7730 probe;
            QVERIFY2(probe.CommOpen(QString::fromLatin1(SettingsCom1)), qPrintable(probe.lastError()));
        }
        if (fault.portHeld)
            QCOMPARE(radio.received().mid(receivedBefore), QByteArray());
        const QString after = QString::fromLatin1(radio.receivedAfterFault());
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(afterFault)).match(after).hasMatch(),
                 qPrintable(QStringLiteral("sent after the fault: \"%1\"").arg(after.left(80))));
    }
    checkOutcome(operation, fault, succeeded, services, radio, typeLabel);
    clsBriskHx7730::clearPortOverrides();
}

QTEST_GUILESS_MAIN(TestRadioFaults)
#include "tst_radiofaults.moc"
