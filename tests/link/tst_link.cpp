#include "LinkTestCase.h"
#include "SRecordFiles.h"
#include "ScriptedRadio.h"
#include "link/RadioAnswer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The serial port and the radio's text commands, against a scripted radio on a pty.
class TestLink : public LinkTestCase
{
    Q_OBJECT

public:
    TestLink() : LinkTestCase(200ms) {}

private slots:
    void portHeldByAnotherFailsToOpen();
    void writeSendsItsBytes_data();
    void writeSendsItsBytes();
    void answerForms_data();
    void answerForms();
    void aiWriteDiscardsWaitingInput_data();
    void aiWriteDiscardsWaitingInput();
    void floodIsReadNoFurtherThanAnAnswer();
};

// One port, one user: a link and the pty it points to are one port, even for root.
void TestLink::portHeldByAnotherFailsToOpen()
{
    sim::SimRadio radio(std::make_unique<sim::ScriptedPersonality>());
    QTemporaryDir dir;
    const QString device = radio.start() ? radio.devicePath() : QString(), link = dir.filePath("radio");
    QVERIFY(QFile::link(device, link));
    // The device twice, a link to it and then the device, the device and then a link to it.
    for (const auto &[held, second] : {std::pair{device, device}, {link, device}, {device, link}}) {
        clsBriskHx7730::setPortOverride("COM1", held);
        clsBriskHx7730::setPortOverride("COM2", second);
        QCOMPARE(clsBriskHx7730::portGiven(com1Settings()), held); // as a record names it
        auto holder = std::make_unique<clsBriskHx7730>();
        QVERIFY(holder->CommOpen(com1Settings()));
        clsBriskHx7730 other;
        QVERIFY(!other.CommOpen(com2Settings()));
        QCOMPARE(other.lastError(), second + " is in use by another program: close it, or choose another port");
        holder.reset(); // destruction releases the port
        QVERIFY(other.CommOpen(com2Settings()));
    }
}

// BinWrite takes hex pairs, TxtWrite one byte per character; both stop at the first
// thing they cannot send, after the bytes before it.
void TestLink::writeSendsItsBytes_data()
{
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("result");
    QTest::newRow("hex pairs, either case") << true << "0a1BfF80" << QByteArray("\x0A\x1B\xFF\x80") << true;
    QTest::newRow("odd length: last digit alone") << true << "ABC" << QByteArray("\xAB\x0C") << true;
    QTest::newRow("bad second pair") << true << "010G" << QByteArray("\x01") << false;
    const QByteArray many = SRecordFiles::randomBytes(40000);
    QTest::newRow("beyond 16-bit counts") << true << QString::fromLatin1(many.toHex()) << many << true;
    QTest::newRow("text Latin-1 above 127")
        << false << QString::fromLatin1("TY\xE9\xFF\x80;") << QByteArray("TY\xE9\xFF\x80;") << true;
    QTest::newRow("text character beyond one byte") << false << QString("AB\u3042C") << QByteArray("AB") << false;
}

void TestLink::writeSendsItsBytes()
{
    QFETCH(bool, binary);
    QFETCH(QString, text);
    QFETCH(QByteArray, sent);
    QFETCH(bool, result);
    auto radio = startScriptedRadio({});
    clsBriskHx7730 link;
    QVERIFY(radio && link.CommOpen(com1Settings()));
    QCOMPARE(binary ? link.BinWrite(text) : link.TxtWrite(text), result);
    QCOMPARE(link.lastError().isEmpty(), result);
    QVERIFY(radio->waitUntilIdle());
    QCOMPARE(radio->received(), sent);
}

void TestLink::answerForms_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("fields"); // empty when it is refused
    const QStringList ex{"012", "34", "5", "6"};
    const QStringList mr{"0",  "0",   "01", "00145500000", "1",         "2",  "3", "45",
                         "67", "890", "A",  "B",           "CDEFGHIJK", "LM", "N"};
    const QString widest = QString::fromLatin1("NAME\xE9\xFF 8");
    const auto answer = [](const char *letters, const QStringList &fields) {
        return letters + fields.join(QString()).toLatin1() + ';';
    };
    QTest::newRow("TY exactly 6") << "TY" << QByteArray("TY001;") << QStringList{"00", "1"};
    QTest::newRow("TY 7") << "TY" << QByteArray("TY0012;") << QStringList();
    QTest::newRow("letters with case") << "TY" << QByteArray("ty001;") << QStringList();
    QTest::newRow("without terminator") << "TY" << QByteArray("TY0012") << QStringList();
    QTest::newRow("stray byte before the answer") << "TY" << QByteArray("\x7ETY001;") << QStringList();
    QTest::newRow("answered with ?;") << "MR" << QByteArray("?;") << QStringList();
    QTest::newRow("EX 10, empty P5") << "EX" << answer("EX", ex) << ex + QStringList{""};
    QTest::newRow("EX 26, P5 of 16") << "EX" << answer("EX", ex + QStringList{"ABCDEFGHIJKLMNOP"})
                                     << ex + QStringList{"ABCDEFGHIJKLMNOP"};
    QTest::newRow("EX 27") << "EX" << answer("EX", ex + QStringList{"ABCDEFGHIJKLMNOPQ"}) << QStringList();
    QTest::newRow("two answers run together, within 26") << "EX" << QByteArray("EX0123456;EX0123456;") << QStringList();
    QTest::newRow("MR 42, empty P16") << "MR" << answer("MR", mr) << mr + QStringList{""};
    QTest::newRow("MR 50, P16 of 8 above 127")
        << "MR" << answer("MR", mr + QStringList{widest}) << mr + QStringList{widest};
    QTest::newRow("MR 51") << "MR" << answer("MR", mr + QStringList{widest + "9"}) << QStringList();
    QTest::newRow("MR 41") << "MR" << answer("MR", mr).remove(2, 1) << QStringList();
}

// What the radio sends is taken only as one whole answer of the form asked for.
void TestLink::answerForms()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, fields);
    const RadioAnswer::Form &form = kind == "MR" ? RadioAnswer::Mr : kind == "EX" ? RadioAnswer::Ex : RadioAnswer::Ty;
    QCOMPARE(RadioAnswer::accepts(answer, form), !fields.isEmpty());
    if (!fields.isEmpty())
        QCOMPARE(RadioAnswer::cut(answer, form), fields);
}

void TestLink::aiWriteDiscardsWaitingInput_data()
{
    QTest::addColumn<int>("afterAi"); // ms after AI0 that the radio still sends its queued output; -1: none
    QTest::newRow("output queued before AI0") << -1;
    QTest::newRow("output sent 60 ms after AI0") << 60;
}

// Keeps the real 100 ms pause: what the radio had queued, and what it still sends while AI
// takes effect, is gone; the next read starts clean.
void TestLink::aiWriteDiscardsWaitingInput()
{
    QFETCH(int, afterAi);
    auto radio = startScriptedRadio({});
    radio->withPersonality([&](sim::Personality &p) {
        auto &script = static_cast<sim::ScriptedPersonality &>(p);
        script.answer("TY;", "TY001;");
        script.answer("AI0;", afterAi < 0 ? "" : "TY999;", std::chrono::milliseconds(afterAi));
    });
    clsBriskHx7730 link;
    QVERIFY(radio && link.CommOpen(com1Settings()) && link.TxtWrite("TY;"));
    QVERIFY(link.waitForInput(QDeadlineTimer(5s)));

    QVERIFY(link.AiWrite("0"));
    QVERIFY(radio->waitUntilIdle());
    QCOMPARE(radio->received(), QByteArray("TY;AI0;"));
    QCOMPARE(link.TxtRead(), QString());
    QString p1, p2;
    QVERIFY(link.TyRead(p1, p2));
    QCOMPARE(p1 + p2, "001");
}

// A port that floods junk is read no further than an answer can hold (and a byte that
// proves it is more): the answer fails at once, and memory holds no more.
void TestLink::floodIsReadNoFurtherThanAnAnswer()
{
    auto radio = startScriptedRadio({{"TY;", QByteArray(1 << 20, 'x')}});
    clsBriskHx7730 link;
    QString p1, p2;
    const quint64 before = clsBriskHx7730::wireBytes();
    QVERIFY(radio && link.CommOpen(com1Settings()));
    QVERIFY(!link.TyRead(p1, p2));
    QVERIFY2(link.lastError().contains("with something else (TY;: \"xxxxxxx\")"), qPrintable(link.lastError()));
    QCOMPARE(clsBriskHx7730::wireBytes() - before, quint64(3 + RadioAnswer::Ty.maxLength() + 1));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
