#include "LinkTestCase.h"
#include "RecordingServices.h"
#include "SimulatedRadio.h"
#include "clone/TypeRead.h"
#include "link/LinkTiming.h"

#include <QElapsedTimer>
#include <QTest>

using namespace std::chrono_literals;

// The radio's type answer turned into its market-type label, over a pty.
class TestTypeRead : public LinkTestCase
{
    Q_OBJECT

public:
    TestTypeRead() : LinkTestCase(300ms) {}

private slots:
    void labelOfAnswer_data();
    void labelOfAnswer();
    void silentRadioGivesDefaultAfterRealLimit();
};

void TestTypeRead::labelOfAnswer_data()
{
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QString>("label");
    QTest::newRow("J(S) without EXT bit") << QByteArray("001") << "J(S) - EXT";
    QTest::newRow("J(V)") << QByteArray("802") << "J(V)";
    QTest::newRow("E2") << QByteArray("810") << "E2";
    QTest::newRow("E2 - EXT") << QByteArray("010") << "E2 - EXT";
    QTest::newRow("X") << QByteArray("8C0") << "X";
    QTest::newRow("lower-case c matches nothing") << QByteArray("8c0") << "K";
    QTest::newRow("3 is not in the table") << QByteArray("F30") << "K";
    QTest::newRow("P2 decides before destination") << QByteArray("841") << "J(S)";
    QTest::newRow("non-hex first character") << QByteArray("G40") << "M - EXT";
    QTest::newRow("E3 with hex digit A") << QByteArray("9A0") << "E3";
    QTest::newRow("K2") << QByteArray("880") << "K2";
    QTest::newRow("E5 - EXT") << QByteArray("790") << "E5 - EXT";
}

void TestTypeRead::labelOfAnswer()
{
    QFETCH(QByteArray, fields);
    QFETCH(QString, label);
    SimulatedRadio radio;
    radio.setType(fields);
    QVERIFY(radio.start());
    RecordingServices window;
    QCOMPARE(fncTypeRead(window), label);
    QCOMPARE(radio.commands(), (QList<QByteArray>{"AI0;", "TY;"}));
    QVERIFY(window.failureReason().isEmpty());
    QVERIFY(radio.portIsFree());
}

void TestTypeRead::silentRadioGivesDefaultAfterRealLimit()
{
    linkTiming() = LinkTiming{};
    SimulatedRadio radio;
    radio.setType({});
    QVERIFY(radio.start());
    RecordingServices window;
    QCOMPARE(fncTypeRead(window), QString("K - EXT"));
    QVERIFY2(window.failureReason().startsWith("the radio did not answer the type query (TY;, waited 5 s): check that "
                                               "the radio is switched on normally (not in firmware-write mode)"),
             qPrintable(window.failureReason()));
    QVERIFY(radio.portIsFree());
}

QTEST_GUILESS_MAIN(TestTypeRead)
#include "tst_typeread.moc"
