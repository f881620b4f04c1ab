#include "SRecordFiles.h"
#include "SimulatedRadio.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <unistd.h>

// `brisk` as a technician meets it: every command ends with one result line and
// its exit code, refuses what it cannot take as a usage error, and leaves no
// working database behind, also when it is stopped.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void usageErrors_data();
    void usageErrors();
    void helpNamesBriskAndOnlyItsOwnOptions_data();
    void helpNamesBriskAndOnlyItsOwnOptions();
    void endsWithItsResult_data();
    void endsWithItsResult();
    void stopSignalSaysStopped_data();
    void stopSignalSaysStopped();

private:
    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run run(QProcess &brisk, const QStringList &arguments, const QStringList &wrapper = {});
    Run run(const QStringList &arguments, const QStringList &wrapper = {});
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QTemporaryDir m_tmp; // the working databases' folder: empty after every run
    std::unique_ptr<SimulatedRadio> m_radio;
};

namespace {

// The radio in normal mode, and an operator who stops `brisk` when its n-th byte arrives.
class StoppingRadio : public sim::NormalRadio
{
public:
    void receive(char byte, std::vector<sim::Reply> &replies) override
    {
        if (++m_bytes >= atByte && target != 0 && !m_sent) {
            ::kill(target, signal);
            m_sent = true;
        }
        NormalRadio::receive(byte, replies);
    }
    std::atomic<pid_t> target{0};
    int signal = 0;
    int atByte = 0;

private:
    int m_bytes = 0;
    bool m_sent = false;
};

} // namespace

void TestCommandLine::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_tmp.isValid());
    // Anyone may keep a working database here, as in /tmp.
    QVERIFY(QFile::setPermissions(m_tmp.path(), QFile::Permissions(0x7777)));
    QVERIFY(QDir(m_dir.path()).mkpath("ADJ"));
    QVERIFY(SRecordFiles::writeFile(path("7730F.REL"), SRecordFiles::imageAsS2(SRecordFiles::randomBytes(64, 3))));
    QVERIFY(SRecordFiles::writeFile(path("ADJ/FPU_VJ.D3T"), SRecordFiles::imageAsS2(SRecordFiles::randomBytes(512))));
    QVERIFY(SRecordFiles::writeFile(path("one.csv"), "EX,A,001,00,0,0,1\r\nEX,A,045,01,0,0,\r\n"));
    m_radio = std::make_unique<SimulatedRadio>();
    QVERIFY(m_radio->start());
    QVERIFY(QFile::link(m_radio->line().devicePath(), path("radio")));
}

void TestCommandLine::cleanup()
{
    QVERIFY2(QDir(m_tmp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             "a working database was left behind");
}

TestCommandLine::Run TestCommandLine::run(QProcess &brisk, const QStringList &arguments, const QStringList &wrapper)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", m_tmp.path());
    brisk.setProcessEnvironment(environment);
    brisk.setWorkingDirectory(m_dir.path());
    const QStringList command = wrapper + QStringList{BRISK_EXECUTABLE} + arguments;
    brisk.start(command.first(), command.mid(1));
    return {};
}

TestCommandLine::Run TestCommandLine::run(const QStringList &arguments, const QStringList &wrapper)
{
    QProcess brisk;
    run(brisk, arguments, wrapper);
    if (!brisk.waitForFinished(60000) || brisk.exitStatus() != QProcess::NormalExit)
        return {};
    return {brisk.exitCode(), QString::fromLocal8Bit(brisk.readAllStandardOutput()),
            QString::fromLocal8Bit(brisk.readAllStandardError())};
}

void TestCommandLine::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says"); // the first line on stderr
    QTest::newRow("type, extra argument")
        << QStringList{"type", "extra"} << "brisk type: unexpected argument \"extra\"";
    QTest::newRow("read, no file") << QStringList{"read"} << "brisk read: missing arguments: brisk read FILE.csv";
    QTest::newRow("read, two files") << QStringList{"read", "a.csv", "b.csv"}
                                     << "brisk read: unexpected argument \"b.csv\"";
    QTest::newRow("write, two files") << QStringList{"write", "a.csv", "b.csv"}
                                      << "brisk write: unexpected argument \"b.csv\"";
    QTest::newRow("check, no file") << QStringList{"check"} << "brisk check: missing arguments";
    QTest::newRow("check, two files") << QStringList{"check", "a", "b"} << "brisk check: unexpected argument \"b\"";
    QTest::newRow("check, unknown option")
        << QStringList{"check", "a", "--fast"} << "brisk check: Unknown option 'fast'.";
    QTest::newRow("check takes no port") << QStringList{"check", "a", "--port", "COM1"}
                                         << "brisk check: Unknown option 'port'.";
    QTest::newRow("flash adjust, extra argument")
        << QStringList{"flash", "adjust", "x"} << "brisk flash: give 'user FILE' or 'adjust'";
    QTest::newRow("flash, no image") << QStringList{"flash"} << "brisk flash: missing arguments";
    QTest::newRow("flash adjust, a type no radio reports")
        << QStringList{"flash", "adjust", "--type", "JS"}
        << "brisk flash: --type takes a type as 'brisk type' shows it (K, E2, E, M, E4, K2, E5, E3, X, J(S), J(V), "
           "K - EXT, E2 - EXT, E - EXT, M - EXT, E4 - EXT, K2 - EXT, E5 - EXT, E3 - EXT, X - EXT, J(S) - EXT, "
           "J(V) - EXT), not \"JS\"";
    QTest::newRow("ports, extra argument") << QStringList{"ports", "x"} << "brisk ports: unexpected argument \"x\"";
    QTest::newRow("--port COM3") << QStringList{"type", "--port", "COM3"}
                                 << "brisk type: --port takes COM1, COM2 or a device path (/dev/ttyUSB0, ./radio), "
                                    "not \"COM3\"";
    // Never /dev/NAME behind the operator's back.
    QTest::newRow("--port without a slash names a file here")
        << QStringList{"type", "--port", "null"}
        << "brisk type: --port null names " + path("null") +
               ", which does not exist; for the device give its path: "
               "--port /dev/null";
}

void TestCommandLine::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    const Run result = run(arguments);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.section('\n', 0, 0).startsWith(says), qPrintable(result.err));
    QVERIFY(result.err.contains("\nUsage: brisk " + arguments.first()));
    QCOMPARE(result.out, QString());
    QVERIFY(m_radio->line().waitUntilIdle());
}

void TestCommandLine::helpNamesBriskAndOnlyItsOwnOptions_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("check") << "check" << QStringList{"--boot", "--quiet"} << QStringList{"--port", "--verify"};
    QTest::newRow("flash") << "flash" << QStringList{"--port", "--boot", "--adj-dir", "J(S) - EXT write FPU_SJ.D3T"}
                           << QStringList{"--verify"};
    QTest::newRow("type") << "type" << QStringList{"--port"} << QStringList{"--verify", "--boot"};
    QTest::newRow("read") << "read" << QStringList{"--port"} << QStringList{"--verify", "--boot"};
    QTest::newRow("write") << "write" << QStringList{"--port", "--verify"} << QStringList{"--boot"};
    QTest::newRow("ports") << "ports" << QStringList{"--help"} << QStringList{"--port", "--verify"};
}

void TestCommandLine::helpNamesBriskAndOnlyItsOwnOptions()
{
    QFETCH(QString, command);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, absent);
    const Run result = run({command, "--help"});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.startsWith("Usage: brisk " + command + ' '), qPrintable(result.out));
    for (const QString &text : shown)
        QVERIFY2(result.out.simplified().contains(text), qPrintable(text));
    for (const QString &text : absent + QStringList{"--help-all", BRISK_EXECUTABLE})
        QVERIFY2(!result.out.contains(text), qPrintable(text));
}

void TestCommandLine::endsWithItsResult_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("wrapper"); // a program that runs brisk
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // stdout, a pattern
    const QString pty = QStringLiteral("/dev/pts/[0-9]+");
    QTest::newRow("type") << QStringList{"type", "--port", "radio"} << QStringList() << 0 << "^Type K\nSuccess\n$";
    QTest::newRow("type, no such device")
        << QStringList{"type", "--port", "/dev/none"} << QStringList() << 1
        << "^Failure: there is no device /dev/none: check the cable \\(or the USB serial adapter\\) and the port\n$";
    QTest::newRow("type, port held by another program")
        << QStringList{"type", "--port", "HELD"} << QStringList() << 1
        << "^Failure: " + pty + " is in use by another program: close it, or choose another port\n$";
    if (::geteuid() == 0 && !QStandardPaths::findExecutable("setpriv").isEmpty())
        QTest::newRow("type, no permission for the device")
            << QStringList{"type", "--port", "PTY"}
            << QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} << 1
            << "^Failure: no permission to open " + pty +
                   ": add your user to the group (\\w+) \\(sudo usermod -aG \\1 \\$USER\\), then log in again\n$";
    QTest::newRow("write, an empty value left out")
        << QStringList{"write", "one.csv", "--port", "radio"} << QStringList() << 0
        << "^Note: left out 1 menu settings whose value is empty \\(an EX command without a value would read the "
           "setting, not empty it\\): EX,A,045,01,0,0\nSuccess\n$";
    QTest::newRow("check, missing file") << QStringList{"check", "none.mot"} << QStringList() << 1
                                         << "\nproblem: cannot read .*\nFailure: cannot read .*none.mot.*\n$";
    QTest::newRow("flash, boot loader missing")
        << QStringList{"flash", "adjust", "--boot", "none.rel"} << QStringList() << 1
        << "^Failure: the boot loader none.rel is not there \\(looked for " +
               QRegularExpression::escape(path("none.rel")) + "\\); give its place with --boot FILE\n$";
    QTest::newRow("flash, ADJUST file missing")
        << QStringList{"flash", "adjust", "--boot", "7730F.REL", "--type", "J(S) - EXT"} << QStringList() << 1
        << "^Failure: the ADJUST file FPU_SJ.D3T is not there \\(looked for .*/ADJ/FPU_SJ.D3T\\); give its place with "
           "--adj-dir DIR\n$";
    QTest::newRow("flash adjust names its file")
        << QStringList{"flash", "adjust", "--boot", "7730F.REL", "--adj-dir", "ADJ", "--type", "J(V)"} << QStringList()
        << 1 << "^ADJUST file: " + QRegularExpression::escape(path("ADJ/FPU_VJ.D3T")) + "\nFailure: .*\n$";
}

void TestCommandLine::endsWithItsResult()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, wrapper);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    const QString device = m_radio->line().devicePath();
    arguments.replaceInStrings(QRegularExpression("^(HELD|PTY)$"), device);
    clsBriskHx7730 holder;
    if (QTest::currentDataTag() == QLatin1String("type, port held by another program"))
        QVERIFY(holder.CommOpen(QString::fromLatin1(SettingsCom1)));

    const Run result = run(arguments, wrapper);
    QVERIFY2(result.out.contains(QRegularExpression(output)), qPrintable(result.out + result.err));
    QCOMPARE(result.exitCode, exitCode);
    // Progress shares its line with nothing else and, on success, reaches 100 %.
    for (const QString &line : result.err.split('\n', Qt::SkipEmptyParts))
        QVERIFY2(line.contains(QRegularExpression("^[A-Za-z]+ +[0-9]+%$")), qPrintable(line));
    if (exitCode == 0 && !result.err.isEmpty())
        QVERIFY(result.err.endsWith(" 100%\n"));
}

void TestCommandLine::stopSignalSaysStopped_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("signal");
    QTest::newRow("read, Ctrl-C") << QStringList{"read", "out.csv", "-q"} << SIGINT;
    QTest::newRow("write, SIGTERM") << QStringList{"write", "whole.csv", "-q"} << SIGTERM;
}

void TestCommandLine::stopSignalSaysStopped()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, signal);
    if (arguments.contains("whole.csv")) {
        const Run read = run({"read", "whole.csv", "-q", "--port", "radio"});
        QCOMPARE(read.exitCode, 0);
    }
    auto radio = std::make_unique<StoppingRadio>();
    StoppingRadio &stopper = *radio;
    stopper.signal = signal;
    stopper.atByte = 2000;
    sim::SimRadio line(std::move(radio));
    QVERIFY(line.start());

    QProcess brisk;
    run(brisk, arguments + QStringList{"--port", line.devicePath()});
    QVERIFY(brisk.waitForStarted());
    stopper.target = pid_t(brisk.processId());
    QVERIFY(brisk.waitForFinished(60000));
    QCOMPARE(brisk.exitStatus(), QProcess::NormalExit);
    QCOMPARE(brisk.exitCode(), 128 + signal);
    const QString out = QString::fromLocal8Bit(brisk.readAllStandardOutput());
    QVERIFY2(out.contains(QRegularExpression("(^|\n)Stopped: at the operator's request [^\n]+\n$")),
             qPrintable(QString(out).replace("\n", "|")));
    QVERIFY(!QFile::exists(path("out.csv")));
    QVERIFY(line.waitUntilIdle());
    if (arguments.first() == "read") // a read stops at its next poll: no more than one query follows
        QVERIFY(line.received().size() < 2000 + 60);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
