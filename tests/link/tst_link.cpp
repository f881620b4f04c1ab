#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/ScriptedPersonality.h"

#include <QTest>

using namespace std::chrono_literals;

// The radio link against a scripted radio on a pty.
class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void init() { linkTiming().replyLimit = 500ms; }
    void cleanup()
    {
        linkTiming() = LinkTiming{};
        clsBriskHx7730::clearPortOverrides();
    }
    void typeAnswerIsCut();
};

void TestLink::typeAnswerIsCut()
{
    auto script = std::make_unique<sim::ScriptedPersonality>();
    script->answer("TY;", "TY001;");
    sim::SimRadio radio(std::move(script));
    QVERIFY(radio.start());
    clsBriskHx7730::setPortOverride("COM1", radio.devicePath());
    clsBriskHx7730 link;
    QVERIFY(link.CommOpen(QString::fromLatin1("COM1: baud=9600 parity=n data=8 stop=1")));
    QString p1, p2;
    QVERIFY(link.TyRead(p1, p2));
    QCOMPARE(p1, QString("00"));
    QCOMPARE(p2, QString("1"));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
