#include "LinkTestCase.h"
#include "ScriptedRadio.h"
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The radio link against a scripted radio on a pty.
class TestLink : public LinkTestCase
{
    Q_OBJECT

public:
    TestLink() : LinkTestCase(200ms) {}

private slots:
    void initTestCase();

    void openCloseAndReopen();
    void comNamesMapThroughUserSettings_data();
    void comNamesMapThroughUserSettings();
    void portHeldByAnotherFailsToOpen_data();
    void portHeldByAnotherFailsToOpen();
    void openOnAnOpenInstanceKeepsItsPort();
    void writeSendsItsBytes_data();
    void writeSendsItsBytes();
    void binReadReturnsWaitingBytes_data();
    void binReadReturnsWaitingBytes();
    void replyLargerThanThePtyArrivesWhole();
    void replyInTwoPiecesReadByTwoCalls();
    void readCommandAcceptsItsAnswerForm_data();
    void readCommandAcceptsItsAnswerForm();
    void aiWriteDiscardsWaitingInput();
    void mwFromAnMrAnswerEqualsIt();

private:
    QTemporaryDir m_config;
};

void TestLink::initTestCase()
{
    // Keep the user's own port mapping out of the tests.
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

namespace {

// A scripted radio and a link open on it.
struct OpenLink
{
    std::unique_ptr<sim::SimRadio> radio;
    clsBriskHx7730 link;

    bool open(const ScriptedAnswers &answers, const sim::SimOptions &options = {})
    {
        radio = startScriptedRadio(answers, options);
        return radio && link.CommOpen(com1Settings());
    }
};

// The fields a read starts with (its query) and, for each kind, what it sends.
QStringList startingFields(const QString &kind)
{
    if (kind == QLatin1String("MR"))
        return {"0", "0", "01", "p4", "p5", "p6", "p7", "p8", "p9", "p10", "p11", "p12", "p13", "p14", "p15", "p16"};
    if (kind == QLatin1String("EX"))
        return {"012", "34", "5", "6", "p5"};
    return {"p1", "p2"};
}

QByteArray queryOf(const QString &kind)
{
    if (kind == QLatin1String("MR"))
        return "MR0001;";
    if (kind == QLatin1String("EX"))
        return "EX0123456;";
    return "TY;";
}

bool readInto(clsBriskHx7730 &link, const QString &kind, QStringList &p)
{
    if (kind == QLatin1String("MR"))
        return link.MrRead(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], p[12], p[13],
                           p[14], p[15]);
    if (kind == QLatin1String("EX"))
        return link.ExRead(p[0], p[1], p[2], p[3], p[4]);
    return link.TyRead(p[0], p[1]);
}

// An MR answer's fixed fields, P1 to P15, at their widths (1 1 2 11 1 1 1 2 2 3 1 1 9 2 1).
const QStringList MrFixedFields = {"0",  "0",   "01", "00145500000", "1",         "2",  "3", "45",
                                   "67", "890", "A",  "B",           "CDEFGHIJK", "LM", "N"};
const QStringList ExFixedFields = {"012", "34", "5", "6"};

QByteArray answerOf(const QString &letters, const QStringList &fields)
{
    return (letters + fields.join(QString()) + QLatin1Char(';')).toLatin1();
}

} // namespace

// With the real limit: on a closed port every operation fails without waiting and sends nothing.
void TestLink::openCloseAndReopen()
{
    linkTiming().replyLimit = LinkTiming::DefaultReplyLimit;
    auto radio = startScriptedRadio({{"TY;", "TY001;"}});
    QVERIFY(radio);
    clsBriskHx7730 link;
    QVERIFY(!link.isOpen());
    QVERIFY(link.CommOpen(com1Settings()));
    QVERIFY(link.isOpen());
    link.CommClose();
    link.CommClose(); // a second close does nothing
    QVERIFY(!link.isOpen());

    QString a = "0", b = "0", c = "01", d, e, f, g, h, i, j, k, l, m, n, o, q;
    QVERIFY(!link.BinWrite("00"));
    QCOMPARE(link.BinRead(), QString());
    QVERIFY(!link.TxtWrite("TY;"));
    QCOMPARE(link.TxtRead(), QString());
    QVERIFY(!link.AiWrite("0"));
    QVERIFY(!link.MrRead(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q));
    QVERIFY(!link.MrWrite(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, q));
    QVERIFY(!link.ExRead(a, b, c, d, e));
    QVERIFY(!link.ExWrite(a, b, c, d, e));
    QVERIFY(!link.TyRead(a, b));
    QVERIFY(!link.MfWrite("0"));
    QVERIFY(!link.waitForInput(QDeadlineTimer(5s)));
    QCOMPARE(QStringList({a, b, c}), QStringList({"0", "0", "01"}));
    QVERIFY(radio->waitUntilIdle());
    QCOMPARE(radio->received(), QByteArray());

    QVERIFY(link.CommOpen(com1Settings()));
    QVERIFY(link.TxtWrite("MF0;"));
    QVERIFY(radio->waitUntilIdle());
    QCOMPARE(radio->received(), QByteArray("MF0;"));
}

void TestLink::comNamesMapThroughUserSettings_data()
{
    QTest::addColumn<QString>("com");
    QTest::addColumn<bool>("mapped");
    QTest::addColumn<QString>("device"); // when not mapped
    QTest::newRow("COM1 mapped") << "COM1" << true << "";
    QTest::newRow("COM2 mapped") << "COM2" << true << "";
    QTest::newRow("COM1 default") << "COM1" << false << "/dev/ttyS0";
    QTest::newRow("COM2 default") << "COM2" << false << "/dev/ttyS1";
}

void TestLink::comNamesMapThroughUserSettings()
{
    QFETCH(QString, com);
    QFETCH(bool, mapped);
    QFETCH(QString, device);
    sim::SimRadio radio(std::make_unique<sim::ScriptedPersonality>());
    QVERIFY(radio.start());
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "BriskHx7730");
        settings.remove("Ports");
        if (mapped)
            settings.setValue("Ports/" + com, radio.devicePath());
    }
    const QString settingsText = com + ": baud=9600 parity=n data=8 stop=1";
    QCOMPARE(clsBriskHx7730::deviceFor(settingsText), mapped ? radio.devicePath() : device);
    if (mapped) {
        clsBriskHx7730 link;
        QVERIFY(link.CommOpen(settingsText));
        QVERIFY(link.TxtWrite("MF0;"));
        QVERIFY(radio.waitUntilIdle());
        QCOMPARE(radio.received(), QByteArray("MF0;"));
    }
}

void TestLink::portHeldByAnotherFailsToOpen_data()
{
    QTest::addColumn<bool>("holderByLink");
    QTest::addColumn<bool>("secondByLink");
    QTest::newRow("the device twice") << false << false;
    QTest::newRow("a link to it, then the device") << true << false;
    QTest::newRow("the device, then a link to it") << false << true;
}

// One port, one user: a link and the pty it points to are one port, even for root.
void TestLink::portHeldByAnotherFailsToOpen()
{
    QFETCH(bool, holderByLink);
    QFETCH(bool, secondByLink);
    sim::SimRadio radio(std::make_unique<sim::ScriptedPersonality>());
    QVERIFY(radio.start());
    QTemporaryDir dir;
    const QString link = dir.filePath("radio");
    QVERIFY(QFile::link(radio.devicePath(), link));
    clsBriskHx7730::setPortOverride("COM1", holderByLink ? link : radio.devicePath());
    clsBriskHx7730::setPortOverride("COM2", secondByLink ? link : radio.devicePath());
    auto holder = std::make_unique<clsBriskHx7730>();
    QVERIFY(holder->CommOpen(com1Settings()));

    clsBriskHx7730 second;
    QVERIFY(!second.CommOpen(com2Settings()));
    QCOMPARE(second.lastError(), (secondByLink ? link : radio.devicePath()) +
                                     " is in use by another program: close it, or choose another port");
    QVERIFY(!second.BinWrite("00"));
    QCOMPARE(second.BinRead(), QString());

    holder.reset(); // destruction releases the port
    QVERIFY(second.CommOpen(com2Settings()));
}

void TestLink::openOnAnOpenInstanceKeepsItsPort()
{
    auto first = startScriptedRadio({}, {}, "COM1");
    auto other = startScriptedRadio({}, {}, "COM2");
    QVERIFY(first && other);
    clsBriskHx7730 link;
    QVERIFY(link.CommOpen(com1Settings()));
    QVERIFY(link.CommOpen(com2Settings()));
    QVERIFY(link.TxtWrite("MF1;"));
    QVERIFY(first->waitUntilIdle() && other->waitUntilIdle());
    QCOMPARE(first->received(), QByteArray("MF1;"));
    QCOMPARE(other->received(), QByteArray());
}

// BinWrite takes hex pairs, TxtWrite one byte per character; both stop at the first
// thing they cannot send, after the bytes before it.
void TestLink::writeSendsItsBytes_data()
{
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("result");
    QTest::newRow("two pairs") << true << "0A1B" << QByteArray("\x0A\x1B") << true;
    QTest::newRow("odd length: last digit alone") << true << "ABC" << QByteArray("\xAB\x0C") << true;
    QTest::newRow("lower case") << true << "ff" << QByteArray("\xFF") << true;
    QTest::newRow("empty") << true << "" << QByteArray() << true;
    QTest::newRow("bytes above 127") << true << "80fE7f" << QByteArray("\x80\xFE\x7F") << true;
    QByteArray many(40000, '\0');
    for (qsizetype i = 0; i < many.size(); ++i)
        many[i] = char(i * 7 + i / 256);
    QTest::newRow("beyond 16-bit counts") << true << QString::fromLatin1(many.toHex()) << many << true;
    QTest::newRow("bad first pair") << true << "0G" << QByteArray() << false;
    QTest::newRow("bad second pair") << true << "010G" << QByteArray("\x01") << false;
    QTest::newRow("sign is not a digit") << true << "+1" << QByteArray() << false;
    QTest::newRow("text TY;") << false << "TY;" << QByteArray("\x54\x59\x3B") << true;
    QTest::newRow("text Latin-1 above 127")
        << false << QString::fromLatin1("\xE9\xFF\x80") << QByteArray("\xE9\xFF\x80") << true;
    QTest::newRow("text character beyond one byte") << false << QString("AB\u3042C") << QByteArray("AB") << false;
}

void TestLink::writeSendsItsBytes()
{
    QFETCH(bool, binary);
    QFETCH(QString, text);
    QFETCH(QByteArray, sent);
    QFETCH(bool, result);
    OpenLink r;
    QVERIFY(r.open({}));
    QCOMPARE(binary ? r.link.BinWrite(text) : r.link.TxtWrite(text), result);
    QCOMPARE(r.link.lastError().isEmpty(), result);
    QVERIFY(r.radio->waitUntilIdle());
    QCOMPARE(r.radio->received(), sent);
}

void TestLink::binReadReturnsWaitingBytes_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("05 FF") << QByteArray("\x05\xFF") << "05FF";
    QTest::newRow("leading zeros, upper case") << QByteArray("\x00\x0a\xab", 3) << "000AAB";
    QTest::newRow("nothing waiting") << QByteArray() << "";
}

void TestLink::binReadReturnsWaitingBytes()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    OpenLink r;
    QVERIFY(r.open({{"Q;", reply}}));
    QVERIFY(r.link.TxtWrite("Q;"));
    QVERIFY(r.radio->waitUntilIdle());
    if (!reply.isEmpty())
        QVERIFY(r.link.waitForInput(QDeadlineTimer(5s)));
    QCOMPARE(r.link.BinRead(), text);
    QCOMPARE(r.link.BinRead(), QString());
}

void TestLink::replyLargerThanThePtyArrivesWhole()
{
    QByteArray reply(100000, '\0');
    for (qsizetype i = 0; i < reply.size(); ++i)
        reply[i] = char(i % 251);
    OpenLink r;
    QVERIFY(r.open({{"Q;", reply}}));
    QVERIFY(r.link.TxtWrite("Q;"));
    QString hex;
    const QDeadlineTimer deadline(10s);
    while (hex.size() < reply.size() * 2 && r.link.waitForInput(deadline))
        hex += r.link.BinRead();
    QCOMPARE(hex, QString::fromLatin1(reply.toHex().toUpper()));
    QVERIFY(r.radio->waitUntilIdle());
}

void TestLink::replyInTwoPiecesReadByTwoCalls()
{
    sim::SimOptions options;
    options.faults.splitAt = 1;
    options.faults.splitGap = 300ms; // far longer than a wake-up, so the pieces arrive apart
    OpenLink r;
    QVERIFY(r.open({{"TY;", "TY001;"}}, options));
    QVERIFY(r.link.TxtWrite("TY;"));
    QVERIFY(r.link.waitForInput(QDeadlineTimer(5s)));
    QCOMPARE(r.link.TxtRead(), QString("TY0"));
    QVERIFY(r.link.waitForInput(QDeadlineTimer(5s)));
    QCOMPARE(r.link.TxtRead(), QString("01;"));
}

void TestLink::readCommandAcceptsItsAnswerForm_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("fields"); // after the read; empty when it is refused

    QTest::newRow("TY exactly 6") << "TY" << QByteArray("TY001;") << QStringList{"00", "1"};
    QTest::newRow("TY 5 refused") << "TY" << QByteArray("TY01;") << QStringList();
    QTest::newRow("TY 7 refused") << "TY" << QByteArray("TY0012;") << QStringList();
    QTest::newRow("TY letters with case") << "TY" << QByteArray("ty001;") << QStringList();
    QTest::newRow("TY without terminator") << "TY" << QByteArray("TY0012") << QStringList();
    QTest::newRow("stray byte before answer") << "TY" << QByteArray("\x7ETY001;") << QStringList();
    QTest::newRow("two answers run together") << "TY" << QByteArray("TY001;TY001;") << QStringList();

    QTest::newRow("EX 10, empty P5") << "EX" << answerOf("EX", ExFixedFields) << ExFixedFields + QStringList{""};
    const QString p5Longest = "ABCDEFGHIJKLMNOP";
    QTest::newRow("EX 26, P5 of 16") << "EX" << answerOf("EX", ExFixedFields + QStringList{p5Longest})
                                     << ExFixedFields + QStringList{p5Longest};
    QTest::newRow("EX 27 refused") << "EX" << answerOf("EX", ExFixedFields + QStringList{p5Longest + "Q"})
                                   << QStringList();
    QTest::newRow("EX 9 refused") << "EX" << QByteArray("EX012345;") << QStringList();
    QTest::newRow("EX value with commas")
        << "EX" << QByteArray("EX0123456a,,b;") << QStringList{"012", "34", "5", "6", "a,,b"};
    QTest::newRow("two EX run together, within 26") << "EX" << QByteArray("EX0123456;EX0123456;") << QStringList();

    QTest::newRow("MR 42, empty P16") << "MR" << answerOf("MR", MrFixedFields) << MrFixedFields + QStringList{""};
    const QString p16Longest = QString::fromLatin1("NAME\xE9\xFF 8");
    QTest::newRow("MR 50, P16 of 8 above 127")
        << "MR" << answerOf("MR", MrFixedFields + QStringList{p16Longest}) << MrFixedFields + QStringList{p16Longest};
    QTest::newRow("MR 51 refused") << "MR" << answerOf("MR", MrFixedFields + QStringList{p16Longest + "9"})
                                   << QStringList();
    QTest::newRow("MR 41 refused") << "MR" << answerOf("MR", MrFixedFields).remove(2, 1) << QStringList();
    QTest::newRow("MR answered with ?;") << "MR" << QByteArray("?;") << QStringList();
}

void TestLink::readCommandAcceptsItsAnswerForm()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, fields);
    OpenLink r;
    QVERIFY(r.open({{queryOf(kind), answer}}));

    const QStringList before = startingFields(kind);
    QStringList params = before;
    const bool accepted = readInto(r.link, kind, params);
    QCOMPARE(accepted, !fields.isEmpty());
    QCOMPARE(params, accepted ? fields : before);
    QVERIFY(r.radio->waitUntilIdle());
    QCOMPARE(r.radio->received(), queryOf(kind));
    if (!accepted)
        QVERIFY2(r.link.lastError().contains(QRegularExpression("^the radio (answered|refused) .*\\(" +
                                                                QRegularExpression::escape(queryOf(kind)))),
                 qPrintable(r.link.lastError()));
}

// Keeps the real 100 ms pause.
void TestLink::aiWriteDiscardsWaitingInput()
{
    OpenLink r;
    QVERIFY(r.open({{"TY;", "TY001;"}, {"AI0;", ""}}));
    QVERIFY(r.link.TxtWrite("TY;"));
    QVERIFY(r.link.waitForInput(QDeadlineTimer(5s)));

    QVERIFY(r.link.AiWrite("0"));
    QVERIFY(r.radio->waitUntilIdle());
    QCOMPARE(r.radio->received(), QByteArray("TY;AI0;"));
    QCOMPARE(r.link.TxtRead(), QString());
    QString p1, p2;
    QVERIFY(r.link.TyRead(p1, p2)); // the next read starts from an empty queue
}

void TestLink::mwFromAnMrAnswerEqualsIt()
{
    const QByteArray answer = answerOf("MR", MrFixedFields + QStringList{QString::fromLatin1("CH\xB0\xE9")});
    OpenLink r;
    QVERIFY(r.open({{"MR0001;", answer}}));
    QStringList p = startingFields("MR");
    QVERIFY(readInto(r.link, "MR", p));
    QVERIFY(r.link.MrWrite(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11], p[12], p[13],
                           p[14], p[15]));
    QVERIFY(r.radio->waitUntilIdle());
    QCOMPARE(r.radio->received(), "MR0001;MW" + answer.mid(2));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
