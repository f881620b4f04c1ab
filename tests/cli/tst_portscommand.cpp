// `brisk ports --set`: COM1 mapped from the command line, and a mapped device that cannot
// be opened marked with what stands in the way. A simulated radio's pty stands in for a
// USB adapter.
#include "SimulatedRadio.h"

#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

class TestPortsCommand : public QObject
{
    Q_OBJECT

private slots:
    void mappedDeviceIsMarked_data();
    void mappedDeviceIsMarked();
};

void TestPortsCommand::mappedDeviceIsMarked_data()
{
    QTest::addColumn<QString>("com");
    QTest::addColumn<QString>("device"); // "pty": the radio's; "link": a by-id style link to it
    QTest::addColumn<QString>("holder"); // "": nobody holds the pty; "port": a serial port; "nobody": no access
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line"); // the mapping line `brisk ports` prints for COM1
    const struct
    {
        const char *name, *com, *device, *holder;
        int exitCode;
        const char *line;
    } rows[] = {
        {"free", "COM1", "pty", "", 0, "COM1 -> pty\n"},
        {"lower case name", "com1", "pty", "", 0, "COM1 -> pty\n"},
        {"missing", "COM1", "/dev/ttyUSB-unplugged", "", 0, "COM1 -> /dev/ttyUSB-unplugged  [missing]"},
        {"busy", "COM1", "pty", "port", 0, "COM1 -> pty  [busy: "},
        {"busy under its link", "COM1", "link", "port", 0, "COM1 -> link  [busy: "},
        {"not permitted", "COM1", "pty", "nobody", 0, "COM1 -> pty  [not permitted: "},
        {"COM3 is no port", "COM3", "pty", "", 2, ""},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString(row.com) << QString(row.device) << QString(row.holder) << row.exitCode
                                << QString(row.line);
}

void TestPortsCommand::mappedDeviceIsMarked()
{
    QFETCH(QString, com);
    QFETCH(QString, device);
    QFETCH(QString, holder);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
    SimulatedRadio radio;
    QVERIFY(radio.line().start());
    QTemporaryDir config;
    const QString pty = radio.line().devicePath();
    const QString link = config.filePath("usb-Bench_Adapter_0001-if00-port0");
    QVERIFY(QFile::link(pty, link));
    for (QString *text : {&device, &line})
        text->replace("pty", pty).replace("link", link);
    QSerialPort other;
    if (holder == "port") {
        other.setPortName(pty);
        QVERIFY(other.open(QIODevice::ReadWrite));
    }
    QStringList command{BRISK_EXECUTABLE, "ports", "--set", com, device};
    if (holder == "nobody" && ::geteuid() == 0) {
        // Root may open anything: the pty (root's, mode 620) is tried as nobody.
        const passwd *nobody = ::getpwnam("nobody");
        QVERIFY(nobody && ::chown(QFile::encodeName(config.path()).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        command = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"} + command;
    } else if (holder == "nobody") {
        QVERIFY(QFile::setPermissions(pty, {}));
    }

    QProcess brisk;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    brisk.setProcessEnvironment(env);
    brisk.start(command.takeFirst(), command);
    QVERIFY(brisk.waitForFinished(60'000));
    QCOMPARE(brisk.exitCode(), exitCode);
    // --set lists the mapping as `brisk ports` does; a refused one stores nothing.
    const QString output = QString::fromLocal8Bit(brisk.readAllStandardOutput());
    QVERIFY2(exitCode ? !QFile::exists(config.filePath("BriskHx7730.conf")) : output.contains("  " + line),
             qPrintable(output));
}

QTEST_GUILESS_MAIN(TestPortsCommand)
#include "tst_portscommand.moc"
