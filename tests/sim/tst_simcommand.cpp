#include "ScriptedRadio.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// `brisk sim` as a technician runs it: it names its device, serves, and on a
// stop signal ends cleanly and takes its link away.
class TestSimCommand : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { clsBriskHx7730::clearPortOverrides(); }
    void servesUntilStopped_data();
    void servesUntilStopped();
    void refusesBadOptions_data();
    void refusesBadOptions();
};

void TestSimCommand::servesUntilStopped_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("mode");
    QTest::newRow("SIGINT, normal mode") << SIGINT << "normal";
    QTest::newRow("SIGTERM, firmware mode") << SIGTERM << "firmware";
}

void TestSimCommand::servesUntilStopped()
{
    QFETCH(int, signal);
    QFETCH(QString, mode);
    QTemporaryDir dir;
    const QString link = dir.filePath("radio");
    QProcess sim;
    sim.start(BRISK_EXE, {"sim", "--link", link, "--mode", mode, "--baud", "9600"});
    QVERIFY(sim.waitForReadyRead(10000));
    QCOMPARE(sim.readLine().trimmed(), link.toLocal8Bit());
    QVERIFY(QFileInfo(link).isSymLink());

    clsBriskHx7730::setPortOverride("COM1", link);
    clsBriskHx7730 program;
    QVERIFY2(program.CommOpen(com1Settings()), qPrintable(program.lastError()));
    QVERIFY(program.TxtWrite("TY;"));
    program.CommClose();

    ::kill(pid_t(sim.processId()), signal);
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimCommand::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("unknown mode") << QStringList{"--mode", "loader"};
    QTest::newRow("baud not a number") << QStringList{"--baud", "fast"};
    QTest::newRow("negative fault count") << QStringList{"--silence-from", "-1"};
    QTest::newRow("unknown option") << QStringList{"--colour"};
}

void TestSimCommand::refusesBadOptions()
{
    QFETCH(QStringList, options);
    QProcess sim;
    sim.start(BRISK_EXE, QStringList{"sim"} + options);
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().startsWith("brisk"));
}

QTEST_GUILESS_MAIN(TestSimCommand)
#include "tst_simcommand.moc"
