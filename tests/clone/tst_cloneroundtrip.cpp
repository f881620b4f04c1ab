#include "LinkTestCase.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"
#include "cli/Commands.h"
#include "link/LinkTiming.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

using SRecordFiles::readFile;
using SRecordFiles::writeFile;

namespace {

int runCli(const QStringList &arguments, const QString &device)
{
    return (arguments.at(1) == "read" ? runRead : runWrite)(arguments + QStringList{"--port", device, "-q"});
}

} // namespace

// A radio's settings carried through a file into another radio.
class TestCloneRoundTrip : public LinkTestCase
{
    Q_OBJECT

public:
    TestCloneRoundTrip() : LinkTestCase(500ms) {}

private slots:
    void cliWriteVerifyListsWhatDiffers();
    void writeVerifyAtTheLinesRate();

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void TestCloneRoundTrip::cliWriteVerifyListsWhatDiffers()
{
    SimulatedRadio a(0);
    SimulatedRadio b(1);
    QVERIFY(a.start() && b.start());
    const QString deviceA = a.line().devicePath();
    const QString deviceB = b.line().devicePath();
    QCOMPARE(runCli({"brisk", "read", path("a.csv")}, deviceA), ExitDone);
    QCOMPARE(runCli({"brisk", "write", path("a.csv"), "--verify"}, deviceB), ExitDone);

    // An EX set without a value has the length of a read: the radio cannot take it.
    QByteArray file = readFile(path("a.csv"));
    QVERIFY(file.contains("EX,A,001,00,0,0,"));
    const qsizetype at = file.indexOf("EX,A,001,00,0,0,") + 16;
    file.remove(at, file.indexOf('\r', at) - at);
    QVERIFY(writeFile(path("emptied.csv"), file));
    QCOMPARE(runCli({"brisk", "write", path("emptied.csv"), "--verify"}, deviceB), ExitFailed);

    QCOMPARE(runCli({"brisk", "write", path("missing.csv")}, deviceB), ExitFailed);
    QCOMPARE(runCli({"brisk", "read"}, deviceA), ExitUsage);
}

// At 9600 baud the radio is still taking commands long after the port took them:
// the read-back starts only once the closing type answer has come behind them all.
void TestCloneRoundTrip::writeVerifyAtTheLinesRate()
{
    SimulatedRadio a(0);
    QVERIFY(a.start());
    QCOMPARE(runCli({"brisk", "read", path("whole.csv")}, a.line().devicePath()), ExitDone);
    const QList<QByteArray> lines = readFile(path("whole.csv")).split('\n');
    // Some 5 KB of commands: seconds on the line, against a reply limit of 0.5 s.
    QVERIFY(writeFile(path("part.csv"), (lines.mid(0, 80) + lines.mid(600, 40)).join('\n') + '\n'));

    sim::SimOptions paced;
    paced.baud = 9600;
    SimulatedRadio b(1, paced);
    QVERIFY(b.start());
    QCOMPARE(runCli({"brisk", "write", path("part.csv"), "--verify"}, b.line().devicePath()), ExitDone);
}

QTEST_GUILESS_MAIN(TestCloneRoundTrip)
#include "tst_cloneroundtrip.moc"
