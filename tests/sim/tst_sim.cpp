#include "LinkTestCase.h"
#include "ScriptedRadio.h"
#include "sim/NormalRadio.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace std::chrono_literals;

// The simulated radio's bounded records, and `brisk sim` as a technician runs it: it names its device, serves,
// and on a stop signal ends cleanly and takes its link away.
class TestSim : public LinkTestCase
{
    Q_OBJECT

public:
    TestSim() : LinkTestCase(200ms) {}

private slots:
    void servesUntilStopped_data();
    void servesUntilStopped();
    void refusesBadOptions_data();
    void refusesBadOptions();
    void memoryStaysBounded();
};

void TestSim::servesUntilStopped_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("mode");
    QTest::newRow("SIGINT, normal mode") << SIGINT << "normal";
    QTest::newRow("SIGTERM, firmware mode") << SIGTERM << "firmware";
    QTest::newRow("SIGHUP (terminal closed), normal mode") << SIGHUP << "normal";
}

void TestSim::servesUntilStopped()
{
    QFETCH(int, signal);
    QFETCH(QString, mode);
    QTemporaryDir dir;
    const QString link = dir.filePath("radio");
    QProcess sim;
    sim.start(BRISK_EXE, {"sim", "--link", link, "--mode", mode, "--baud", "9600"});
    QVERIFY(sim.waitForReadyRead(10000));
    QCOMPARE(sim.readLine().trimmed(), link.toLocal8Bit());
    clsBriskHx7730::setPortOverride("COM1", link);
    clsBriskHx7730 program;
    QVERIFY2(program.CommOpen(com1Settings()) && program.TxtWrite("TY;"), qPrintable(program.lastError()));
    program.CommClose();

    ::kill(pid_t(sim.processId()), signal);
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSim::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("options"); // LINK and GONE stand for links already there
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown mode") << QStringList{"--mode", "loader"} << 2 << "";
    QTest::newRow("stray argument") << QStringList{"--mode", "normal", "extra"} << 2 << "not \"extra\"";
    QTest::newRow("normal-mode option in firmware mode")
        << QStringList{"--mode", "firmware", "--settings", "radio.csv"} << 2
        << "--settings is an option of normal mode, and this radio runs in firmware mode";
    QTest::newRow("link onto a link") << QStringList{"--link", "LINK"} << 1 << "exists; give a path";
    QTest::newRow("link onto a link to nothing") << QStringList{"--link", "GONE"} << 1 << "exists; give a path";
}

void TestSim::refusesBadOptions()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString link = dir.filePath("radio");
    const QString gone = dir.filePath("gone");
    QVERIFY(QFile::link(dir.path(), link) && QFile::link(dir.filePath("nothing"), gone));
    for (QString &option : options)
        option = option == "LINK" ? link : option == "GONE" ? gone : option;
    QProcess sim;
    sim.start(BRISK_EXE, QStringList{"sim"} + options);
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), exitCode);
    const QString error = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(error.startsWith("brisk sim: ") && error.contains(message), qPrintable(error));
    QCOMPARE(QFileInfo(link).symLinkTarget(), dir.path());
    QCOMPARE(QFileInfo(gone).symLinkTarget(), dir.filePath("nothing"));
}

// A radio serving for days, or fed noise for hours, keeps the latest of its traffic, not all of it.
void TestSim::memoryStaysBounded()
{
    sim::SimOptions options;
    options.historyBytes = 100;
    auto radio = startScriptedRadio({}, options); // answers "?;" to everything
    clsBriskHx7730 link;
    QVERIFY(radio && link.CommOpen(com1Settings()));
    for (int i = 0; i < 200; ++i)
        QVERIFY(link.TxtWrite(QString::number(i) + ';'));
    QVERIFY(radio->waitUntilIdle());
    QCOMPARE(radio->received().size(), 100);
    QCOMPARE(radio->sent(), QByteArray("?;").repeated(50));

    sim::NormalRadio normal;
    std::vector<sim::Reply> replies;
    for (int i = 0; i < 1'000'000; ++i)
        normal.receive('M', replies);
    normal.receive(';', replies);
    QCOMPARE(normal.commands(), QList<QByteArray>{"?;"});
    for (int i = 0; i < 150'000; ++i)
        normal.receive(';', replies);
    QCOMPARE(normal.commands().size(), 100'000);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
