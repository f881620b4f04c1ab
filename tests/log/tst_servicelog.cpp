#include "FlashFixture.h"
#include "LinkTestCase.h"
#include "ServiceRecords.h"

#include "cli/Commands.h"
#include "flash/FirmwareImage.h"
#include "log/ServiceLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>

#include <sys/wait.h>

using namespace std::chrono_literals;

namespace {

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
    QByteArray m_image;
    QByteArray m_loader;
};

void TestServiceLog::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_image = randomBytes(FirmwareImage::FullImageBytes, 21);
    m_loader = randomBytes(96, 22);
    QVERIFY(SRecordFiles::writeFile(path("user.mot"), SRecordFiles::imageAsS2(m_image)));
    QVERIFY(SRecordFiles::writeFile(path("7730F.REL"), SRecordFiles::imageAsS2(m_loader)));
    SimulatedRadio radio;
    QVERIFY(radio.start());
    useDataFolder("setup");
    QCOMPARE(runRead({"brisk", "read", path("radio.csv"), "-q", "--port", radio.line().devicePath()}), ExitDone);
    // A data folder that cannot be made: a file stands in its place.
    QVERIFY(QDir().mkpath(path("blocked")));
    QVERIFY(SRecordFiles::writeFile(path("blocked/BriskHx7730"), ""));
}

void TestServiceLog::recordPerOperation_data()
{
    QTest::addColumn<QStringList>("arguments"); // after "brisk"; files in the test's folder
    QTest::addColumn<QString>("radio");         // firmware, interrupting (Ctrl-C at byte 5000) or normal
    QTest::addColumn<int>("silenceFrom");       // the radio's replies stop here (0: never)
    QTest::addColumn<bool>("logWritable");
    QTest::addColumn<QString>("result"); // in the record; "" for none
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QStringList>("files"); // roles of the files listed

    const QStringList flash{"flash", "user", "user.mot", "--boot", "7730F.REL"};
    const QStringList firmwareFiles{"boot loader", "firmware"};
    QTest::newRow("flash") << flash << "firmware" << 0 << true << "success"
                           << "" << firmwareFiles;
    QTest::newRow("flash, radio falls silent") << flash << "firmware" << 40 << true << "failure"
                                               << "the radio stayed silent" << firmwareFiles;
    QTest::newRow("flash, Ctrl-C") << flash << "interrupting" << 0 << true << "stopped"
                                   << "stopped at the operator's request" << firmwareFiles;
    QTest::newRow("read") << QStringList{"read", "out.csv"} << "normal" << 0 << true << "success"
                          << "" << QStringList{"settings"};
    QTest::newRow("read, radio silent") << QStringList{"read", "out.csv"} << "normal" << 1 << true << "failure"
                                        << "did not answer" << QStringList{};
    QTest::newRow("write") << QStringList{"write", "radio.csv", "--verify"} << "normal" << 0 << true << "success"
                           << "" << QStringList{"settings"};
    QTest::newRow("write, file missing") << QStringList{"write", "none.csv"} << "normal" << 0 << true << "failure"
                                         << "none.csv" << QStringList{"settings"};
    QTest::newRow("read, log unwritable") << QStringList{"read", "out.csv"} << "normal" << 0 << false << ""
                                          << "" << QStringList{};
    QTest::newRow("flash, radio silent, log unwritable") << flash << "firmware" << 1 << false << ""
                                                         << "" << QStringList{};
}

void TestServiceLog::recordPerOperation()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, radio);
    QFETCH(int, silenceFrom);
    QFETCH(bool, logWritable);
    QFETCH(QString, result);
    QFETCH(QString, reason);
    QFETCH(QStringList, files);
    std::unique_ptr<sim::Personality> personality;
    if (radio == "normal")
        personality = std::make_unique<sim::NormalRadio>(1);
    else if (radio == "interrupting")
        personality = std::make_unique<InterruptingRadio>(5000);
    else
        personality = std::make_unique<sim::FirmwareRadio>();
    sim::SimRadio line(std::move(personality), {.faults = {.silenceFrom = silenceFrom}});
    QVERIFY(line.start());
    QDir::setCurrent(m_dir.path());
    const QString folder = QStringLiteral("data-%1").arg(QTest::currentDataTag());
    useDataFolder(logWritable ? folder : QStringLiteral("blocked"));

    const auto run = arguments.at(0) == "flash" ? runFlash : arguments.at(0) == "read" ? runRead : runWrite;
    const QDateTime before = QDateTime::currentDateTimeUtc();
    int exitCode = -1;
    const QByteArray errors = stderrOf([&] {
        exitCode = run(QStringList{"brisk"} + arguments + QStringList{"-q", "--port", line.devicePath()});
    });
    const QDateTime after = QDateTime::currentDateTimeUtc();
    QVERIFY(line.waitUntilIdle());
    const bool succeeds = silenceFrom == 0 && radio != "interrupting" && !arguments.contains("none.csv");
    QCOMPARE(exitCode, succeeds ? ExitDone : radio == "interrupting" ? ExitStopped + SIGINT : ExitFailed);
    if (!logWritable) {
        QVERIFY2(errors.contains("the service record was not written"), errors.constData());
        return;
    }

    const QList<QJsonObject> log = serviceRecords();
    QCOMPARE(log.size(), 1);
    const QJsonObject record = log.first();
    QCOMPARE(record["program"].toString(), "command line");
    QCOMPARE(record["version"].toString(), BRISK_VERSION);
    QCOMPARE(record["action"].toString(), arguments.at(0) == "flash"  ? "USER firmware write"
                                          : arguments.at(0) == "read" ? "settings read"
                                                                      : "settings write");
    QCOMPARE(record["port"].toString(), "COM1");
    QCOMPARE(record["device"].toString(), line.devicePath());
    const QDateTime start = QDateTime::fromString(record["start"].toString(), Qt::ISODateWithMs);
    QCOMPARE(start.timeSpec(), Qt::UTC);
    QVERIFY(start >= before.addMSecs(-1));
    QVERIFY(start.addMSecs(qint64(record["durationSeconds"].toDouble() * 1000)) <= after.addMSecs(1));
    QCOMPARE(record["result"].toString(), result);
    QVERIFY2(record["reason"].toString().contains(reason), qPrintable(record["reason"].toString()));
    QCOMPARE(record.contains("reason"), result != "success");

    QStringList roles;
    for (const QJsonValue &value : record["files"].toArray()) {
        const QJsonObject file = value.toObject();
        roles << file["role"].toString();
        const QByteArray bytes = SRecordFiles::readFile(file["path"].toString());
        QCOMPARE(file["path"].toString(), QFileInfo(file["path"].toString()).absoluteFilePath());
        if (file.contains("error"))
            continue;
        QCOMPARE(file["size"].toInteger(), bytes.size());
        QCOMPARE(file["sha256"].toString(), sha256Of(bytes));
    }
    QCOMPARE(roles, files);
    const bool firmware = arguments.at(0) == "flash";
    QCOMPARE(record["imageSha256"].toString(), firmware ? sha256Of(m_image) : QString());
    QCOMPARE(record["loaderSha256"].toString(), firmware ? sha256Of(m_loader) : QString());
    QCOMPARE(record.contains("radioType"), arguments.at(0) != "flash" && silenceFrom == 0 && succeeds);

    // Every byte sent and every byte read. A write does not read the radio's answers
    // to its commands, and a stopped or failed run may leave replies unread.
    const qint64 onLine = line.received().size() + line.sent().size();
    if (succeeds && arguments.at(0) != "write")
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

    QFile log(ServiceLog::path());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArrayList lines = log.readAll().split('\n');
    QCOMPARE(lines.size(), 2 * PerWriter + 1);
    QCOMPARE(lines.last(), QByteArray());
    int next[2] = {0, 0};
    for (const QByteArray &line : lines.mid(0, 2 * PerWriter)) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        QCOMPARE(record["padding"].toString(), padding);
        const int writer = record["writer"].toInt();
        QCOMPARE(record["n"].toInt(), next[writer]++);
    }
}

QTEST_GUILESS_MAIN(TestServiceLog)
#include "tst_servicelog.moc"
