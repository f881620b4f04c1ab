#include "LinkTestCase.h"
#include "ScriptedRadio.h"
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/NormalRadio.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The simulated radio's line model and faults, as a program on the pty sees them.
class TestSimRadio : public LinkTestCase
{
    Q_OBJECT

public:
    TestSimRadio() : LinkTestCase(200ms) {}

private slots:
    void noiseWithoutTerminatorStaysBounded();
    void repliesKeepTheirOrder_data();
    void repliesKeepTheirOrder();
    void pacedAnswerTakesItsLineTime_data();
    void pacedAnswerTakesItsLineTime();
    void linkTakesOnlyAFreePath_data();
    void linkTakesOnlyAFreePath();
    void trafficRecordsKeepTheLatest();
};

namespace {

// Answers every command with a late reply followed by a prompt one.
class TwoReplies : public sim::Personality
{
public:
    void receive(char byte, std::vector<sim::Reply> &replies) override
    {
        if (byte == ';') {
            replies.push_back({"A1;", 80ms});
            replies.push_back({"B2;", 0ms});
        }
    }
};

QByteArray readUntil(clsBriskHx7730 &link, qsizetype size)
{
    QByteArray text;
    const QDeadlineTimer deadline(5s);
    while (text.size() < size && link.waitForInput(deadline))
        text += link.TxtRead().toLatin1();
    return text;
}

const QByteArray MrAnswer50 = "MR0001001455000001234567890ABCDEFGHIJKLMNNAMENAME;";

} // namespace

void TestSimRadio::repliesKeepTheirOrder_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("unpaced") << 0;
    QTest::newRow("9600 baud") << 9600;
}

void TestSimRadio::repliesKeepTheirOrder()
{
    QFETCH(int, baud);
    sim::SimRadio radio(std::make_unique<TwoReplies>(), {baud, {}});
    QVERIFY(radio.start());
    clsBriskHx7730::setPortOverride("COM1", radio.devicePath());
    clsBriskHx7730 link;
    QVERIFY(link.CommOpen(com1Settings()));
    QVERIFY(link.TxtWrite("Q;"));
    QCOMPARE(readUntil(link, 6), QByteArray("A1;B2;"));
    QVERIFY(radio.waitUntilIdle());
    QCOMPARE(radio.sent(), QByteArray("A1;B2;"));
    QCOMPARE(radio.replyCount(), 2);
}

// 57 bytes at 1200 baud cross the line in 475 ms: a read that gives up after
// 100 ms cannot have its answer; the real limit gets it.
void TestSimRadio::pacedAnswerTakesItsLineTime_data()
{
    QTest::addColumn<int>("limitMs");
    QTest::addColumn<bool>("answered");
    QTest::newRow("limit shorter than the line time") << 100 << false;
    QTest::newRow("real limit") << int(LinkTiming::DefaultReplyLimit.count()) << true;
}

void TestSimRadio::pacedAnswerTakesItsLineTime()
{
    QFETCH(int, limitMs);
    QFETCH(bool, answered);
    QCOMPARE(MrAnswer50.size(), 50);
    linkTiming().replyLimit = std::chrono::milliseconds(limitMs);
    auto radio = startScriptedRadio({{"MR0001;", MrAnswer50}}, {1200, {}});
    QVERIFY(radio);
    clsBriskHx7730 link;
    QVERIFY(link.CommOpen(com1Settings()));
    QString p[16] = {"0", "0", "01"};
    QCOMPARE(link.MrRead(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], p[12], p[13], p[14],
                         p[15]),
             answered);
    QCOMPARE(p[15], answered ? QString("NAMENAME") : QString());
}

// The link goes only where nothing is, and is taken away again at the end.
void TestSimRadio::linkTakesOnlyAFreePath_data()
{
    QTest::addColumn<QString>("occupant"); // the target of a link already at the path; "" none
    QTest::newRow("a link to a file") << "notes.txt";
    QTest::newRow("a link to nothing") << "gone.txt";
    QTest::newRow("the link of a radio still serving") << "OTHER";
    QTest::newRow("nothing there") << "";
}

void TestSimRadio::linkTakesOnlyAFreePath()
{
    QFETCH(QString, occupant);
    QTemporaryDir dir;
    const QString path = dir.filePath("radio");
    QVERIFY(QFile(dir.filePath("notes.txt")).open(QIODevice::WriteOnly));
    sim::SimRadio other(std::make_unique<TwoReplies>());
    QVERIFY(other.start());
    const QString target = occupant == "OTHER" ? other.devicePath() : dir.filePath(occupant);
    if (!occupant.isEmpty())
        QVERIFY(QFile::link(target, path));

    sim::SimRadio radio(std::make_unique<TwoReplies>());
    QVERIFY(radio.start());
    QString reason;
    QCOMPARE(radio.linkTo(path, &reason), occupant.isEmpty());
    QCOMPARE(QFileInfo(path).symLinkTarget(), occupant.isEmpty() ? radio.devicePath() : target);
    if (!occupant.isEmpty())
        QVERIFY2(reason.startsWith(path + " exists"), qPrintable(reason));
    radio.stop();
    QCOMPARE(QFileInfo(path).isSymLink(), !occupant.isEmpty());
}

// A radio serving for days keeps the latest of its traffic, not all of it.
void TestSimRadio::trafficRecordsKeepTheLatest()
{
    sim::SimOptions options;
    options.historyBytes = 100;
    auto radio = startScriptedRadio({}, options); // answers "?;" to everything
    QVERIFY(radio);
    clsBriskHx7730 link;
    QVERIFY(link.CommOpen(com1Settings()));
    for (int i = 0; i < 200; ++i) {
        QVERIFY(link.TxtWrite(QString::number(i) + ';'));
        QCOMPARE(readUntil(link, 2), QByteArray("?;"));
    }
    QVERIFY(radio->waitUntilIdle());
    QCOMPARE(radio->received().size(), 100);
    QVERIFY(radio->received().endsWith("198;199;"));
    QCOMPARE(radio->sent(), QByteArray("?;").repeated(50));
}

// Found by fuzzing: a radio fed bytes for hours kept every one of them.
void TestSimRadio::noiseWithoutTerminatorStaysBounded()
{
    sim::NormalRadio radio;
    std::vector<sim::Reply> replies;
    for (int i = 0; i < 1'000'000; ++i)
        radio.receive('M', replies);
    radio.receive(';', replies);
    QCOMPARE(replies.size(), size_t(1));
    QCOMPARE(replies.front().bytes, QByteArray("?;"));
    QCOMPARE(radio.commands().last(), QByteArray("?;"));
    for (int i = 0; i < 150'000; ++i)
        radio.receive(';', replies);
    QCOMPARE(radio.commands().size(), 100'000);
    replies.clear();
    for (char c : QByteArray("TY;"))
        radio.receive(c, replies);
    QCOMPARE(replies.front().bytes, QByteArray("TY800;"));
}

QTEST_GUILESS_MAIN(TestSimRadio)
#include "tst_simradio.moc"
