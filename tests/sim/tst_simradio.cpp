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
    void linkReplacesOnlyALink();
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

void TestSimRadio::linkReplacesOnlyALink()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("notes.txt");
    const QString link = dir.filePath("radio");
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(file, link)); // an old link from an earlier run

    sim::SimRadio radio(std::make_unique<TwoReplies>());
    QVERIFY(radio.start());
    QString reason;
    QVERIFY(!radio.linkTo(file, &reason));
    QVERIFY(QFileInfo(file).isFile());
    QVERIFY(radio.linkTo(link, &reason));
    QCOMPARE(QFileInfo(link).symLinkTarget(), radio.devicePath());
    radio.stop();
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(file).isFile());
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
