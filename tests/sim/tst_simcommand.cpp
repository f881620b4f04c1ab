#include "ScriptedRadio.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

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
    QTest::newRow("SIGHUP (terminal closed), normal mode") << SIGHUP << "normal";
}

void TestSimCommand::servesUntilStopped()
{
    QFETCH(int, signal);
    QFETCH(QString, mode);
    QTemporaryDir dir;
    const QString link = dir.filePath("radio");
    const QString image = dir.filePath("image.bin");
    QStringList arguments{"sim", "--link", link, "--mode", mode, "--baud", "9600"};
    if (mode == "firmware")
        arguments << "--save-image" << image;
    QProcess sim;
    sim.start(BRISK_EXE, arguments);
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
    QVERIFY2(!QFileInfo::exists(image), "nothing was written, so there is no image to save");
}

void TestSimCommand::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("options"); // FIFO and LINK stand for a named pipe and a link already there
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown mode") << QStringList{"--mode", "loader"} << 2 << "";
    QTest::newRow("baud not a number") << QStringList{"--baud", "fast"} << 2 << "";
    QTest::newRow("negative fault count") << QStringList{"--silence-from", "-1"} << 2 << "";
    QTest::newRow("unknown option") << QStringList{"--colour"} << 2 << "";
    QTest::newRow("stray argument") << QStringList{"--mode", "normal", "extra"} << 2 << "not \"extra\"";
    QTest::newRow("normal-mode option in firmware mode")
        << QStringList{"--mode", "firmware", "--settings", "radio.csv"} << 2
        << "--settings is an option of normal mode, and this radio runs in firmware mode";
    QTest::newRow("firmware-mode option in normal mode")
        << QStringList{"--save-image", "image.bin"} << 2 << "--save-image is an option of firmware mode";
    QTest::newRow("image onto a FIFO") << QStringList{"--mode", "firmware", "--save-image", "FIFO"} << 2
                                       << "it is not a regular file (a device or a pipe)";
    QTest::newRow("settings from /dev/zero")
        << QStringList{"--settings", "/dev/zero"} << 2 << "it is not a regular file (a device or a pipe)";
    QTest::newRow("link onto an existing link") << QStringList{"--link", "LINK"} << 1 << "exists; give a path";
}

void TestSimCommand::refusesBadOptions()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    const QString link = dir.filePath("radio");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 && QFile::link(fifo, link));
    for (QString &option : options)
        option = option == "FIFO" ? fifo : option == "LINK" ? link : option;
    QProcess sim;
    sim.start(BRISK_EXE, QStringList{"sim"} + options);
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), exitCode);
    const QString error = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(error.startsWith("brisk sim: ") && error.contains(message), qPrintable(error));
    QCOMPARE(QFileInfo(link).symLinkTarget(), fifo);
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

QTEST_GUILESS_MAIN(TestSimCommand)
#include "tst_simcommand.moc"
