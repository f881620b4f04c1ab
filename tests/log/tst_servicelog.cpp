#include "FlashFixture.h"
#include "LinkTestCase.h"
#include "ServiceRecords.h"

#include "cli/Commands.h"
#include "flash/FirmwareImage.h"
#include "log/ServiceLog.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <sys/wait.h>

using namespace std::chrono_literals;

namespace {

enum RadioKind { Normal, Firmware, Interrupting }; // interrupting: Ctrl-C at byte 5000 of a firmware write

struct Row
{
    const char *name;
    QStringList arguments; // after "brisk"; files in the test's folder
    RadioKind radio;
    int silenceFrom;   // the radio's replies stop here (0: never)
    QString result;    // in the record; "" when the log cannot be written
    QString reason;    // what the record's reason says
    QStringList files; // roles of the files listed
};

const QStringList Flash{"flash", "user", "user.mot", "--boot", "7730F.REL"};
const QStringList FirmwareFiles{"boot loader", "firmware"};
const Row Rows[] = {
    {"flash", Flash, Firmware, 0, "success", "", FirmwareFiles},
    {"flash, radio falls silent", Flash, Firmware, 40, "failure", "the radio stayed silent", FirmwareFiles},
    {"flash, Ctrl-C", Flash, Interrupting, 0, "stopped", "stopped at the operator's request", FirmwareFiles},
    {"read", {"read", "out.csv"}, Normal, 0, "success", "", {"settings"}},
    {"read, radio silent", {"read", "out.csv"}, Normal, 1, "failure", "did not answer", {}},
    {"write", {"write", "radio.csv", "--verify"}, Normal, 0, "success", "", {"settings"}},
    {"write, file missing", {"write", "none.csv"}, Normal, 0, "failure", "none.csv", {"settings"}},
    {"read, log unwritable", {"read", "out.csv"}, Normal, 0, "", "", {}},
    {"flash, radio silent, log unwritable", Flash, Firmware, 1, "", "", {}},
};

// What `brisk` printed on stderr while `run` ran.
QByteArray stderrOf(const std::function<void()> &run)
{
    QTemporaryFile file;
    if (!file.open())
        return {};
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

} // namespace

Q_DECLARE_METATYPE(Row)

// The service log: a record for each firmware write and settings read or write of
// `brisk`, whatever its end; appends from several processes at once; a log that
// cannot be written changes no result.
class TestServiceLog : public LinkTestCase
{
    Q_OBJECT

public:
    TestServiceLog() : LinkTestCase(300ms) {}

private slots:
    void initTestCase();
    void recordPerOperation_data();
    void recordPerOperation();
    void appendsOfTwoProcessesAtOnceLoseNothing();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    void useDataFolder(const QString &folder) { qputenv("XDG_DATA_HOME", QFile::encodeName(path(folder))); }
    QTemporaryDir m_dir;
    QByteArray m_image = randomBytes(FirmwareImage::FullImageBytes, 21);
    QByteArray m_loader = randomBytes(96, 22);
};

void TestServiceLog::initTestCase()
{
    QVERIFY(SRecordFiles::writeFile(path("user.mot"), SRecordFiles::imageAsS2(m_image)));
    QVERIFY(SRecordFiles::writeFile(path("7730F.REL"), SRecordFiles::imageAsS2(m_loader)));
    SimulatedRadio radio;
    QVERIFY(radio.start());
    useDataFolder("setup");
    QCOMPARE(runRead({"brisk", "read", path("radio.csv"), "-q", "--port", radio.line().devicePath()}), ExitDone);
    // A data folder that cannot be made: a file stands in its place.
    QVERIFY(QDir().mkpath(path("blocked")) && SRecordFiles::writeFile(path("blocked/BriskHx7730"), ""));
}

void TestServiceLog::recordPerOperation_data()
{
    QTest::addColumn<Row>("row");
    for (const Row &row : Rows)
        QTest::newRow(row.name) << row;
}

void TestServiceLog::recordPerOperation()
{
    QFETCH(Row, row);
    std::unique_ptr<sim::Personality> personality;
    if (row.radio == Normal)
        personality = std::make_unique<sim::NormalRadio>(1);
    else if (row.radio == Interrupting)
        personality = std::make_unique<InterruptingRadio>(5000);
    else
        personality = std::make_unique<sim::FirmwareRadio>();
    sim::SimRadio line(std::move(personality), {.faults = {.silenceFrom = row.silenceFrom}});
    QVERIFY(line.start());
    QDir::setCurrent(m_dir.path());
    useDataFolder(row.result.isEmpty() ? QStringLiteral("blocked") : QStringLiteral("data-") + row.name);
    const QString command = row.arguments.first();

    const auto run = command == "flash" ? runFlash : command == "read" ? runRead : runWrite;
    const QDateTime before = QDateTime::currentDateTimeUtc();
    int exitCode = -1;
    const QByteArray errors = stderrOf([&] {
        exitCode = run(QStringList{"brisk"} + row.arguments + QStringList{"-q", "--port", line.devicePath()});
    });
    const QDateTime after = QDateTime::currentDateTimeUtc();
    QVERIFY(line.waitUntilIdle());
    const bool succeeds = row.silenceFrom == 0 && row.radio != Interrupting && !row.arguments.contains("none.csv");
    QCOMPARE(exitCode, succeeds ? ExitDone : row.radio == Interrupting ? ExitStopped + SIGINT : ExitFailed);
    if (row.result.isEmpty()) {
        QVERIFY2(errors.contains("the service record was not written"), errors.constData());
        return;
    }

    const QList<QJsonObject> log = serviceRecords();
    QCOMPARE(log.size(), 1);
    const QJsonObject record = log.first();
    QCOMPARE(record["program"].toString(), "command line");
    QCOMPARE(record["version"].toString(), BRISK_VERSION);
    QCOMPARE(record["action"].toString(), command == "flash"  ? "USER firmware write"
                                          : command == "read" ? "settings read"
                                                              : "settings write");
    QCOMPARE(record["port"].toString(), "COM1");
    QCOMPARE(record["device"].toString(), line.devicePath());
    const QDateTime start = QDateTime::fromString(record["start"].toString(), Qt::ISODateWithMs);
    QCOMPARE(start.timeSpec(), Qt::UTC);
    QVERIFY(start >= before.addMSecs(-1));
    QVERIFY(start.addMSecs(qint64(record["durationSeconds"].toDouble() * 1000)) <= after.addMSecs(1));
    QCOMPARE(record["result"].toString(), row.result);
    QCOMPARE(record.contains("reason"), row.result != "success");
    QVERIFY2(record["reason"].toString().contains(row.reason), qPrintable(record["reason"].toString()));

    QStringList roles;
    for (const QJsonValue &value : record["files"].toArray()) {
        const QJsonObject file = value.toObject();
        const QString filePath = file["path"].toString();
        roles << file["role"].toString();
        QCOMPARE(filePath, QFileInfo(filePath).absoluteFilePath());
        const QByteArray bytes = SRecordFiles::readFile(filePath);
        QVERIFY(file.contains("error") ||
                (file["size"].toInteger() == bytes.size() && file["sha256"] == sha256Of(bytes)));
    }
    QCOMPARE(roles, row.files);
    const bool firmware = command == "flash";
    QCOMPARE(record["imageSha256"].toString(), firmware ? sha256Of(m_image) : QString());
    QCOMPARE(record["loaderSha256"].toString(), firmware ? sha256Of(m_loader) : QString());
    QCOMPARE(record.contains("radioType"), !firmware && succeeds);

    // Every byte sent and every byte read. A write does not read the radio's answers
    // to its commands, and a stopped or failed run may leave replies unread.
    const qint64 onLine = line.received().size() + line.sent().size();
    if (succeeds && command != "write")
        QCOMPARE(record["wireBytes"].toInteger(), onLine);
    else
        QVERIFY(record["wireBytes"].toInteger() <= onLine);
}

void TestServiceLog::appendsOfTwoProcessesAtOnceLoseNothing()
{
    useDataFolder("concurrent");
    constexpr int PerWriter = 200;
    // Longer than a pipe's atomic write, so that no accident of size keeps lines whole.
    const QString padding(6000, QLatin1Char('x'));
    int start[2];
    QCOMPARE(::pipe(start), 0);
    QList<pid_t> writers;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(start[1]);
            char go;
            (void)::read(start[0], &go, 1); // returns when the parent closes its end
            bool ok = true;
            for (int n = 0; n < PerWriter; ++n)
                ok = ServiceLog::append({{"writer", writer}, {"n", n}, {"padding", padding}}) && ok;
            ::_exit(ok ? 0 : 1);
        }
        QVERIFY(pid > 0);
        writers << pid;
    }
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t pid : writers) {
        int status = -1;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const QByteArrayList lines = SRecordFiles::readFile(ServiceLog::path()).split('\n');
    QCOMPARE(lines.size(), 2 * PerWriter + 1);
    int next[2] = {0, 0};
    for (const QByteArray &line : lines.mid(0, 2 * PerWriter)) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        QCOMPARE(record["padding"].toString(), padding);
        QCOMPARE(record["n"].toInt(), next[record["writer"].toInt()]++);
    }
}

QTEST_GUILESS_MAIN(TestServiceLog)
#include "tst_servicelog.moc"
