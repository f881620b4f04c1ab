#include "LinkTestCase.h"
#include "RecordingServices.h"
#include "SimulatedRadio.h"
#include "clone/MemoryChannels.h"
#include "link/LinkTiming.h"

#include <QSqlQuery>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// The answer of channel `channel` in the sixteen MemoryData columns.
QStringList channelRow(const QString &entry, int channel, const QString &p4 = "00144000000", const QString &name = {})
{
    const QString number = QString::number(channel).rightJustified(3, '0');
    return {entry, number.left(1), number.mid(1), p4,  "1",         "0",  "0", "00",
            "00",  "000",          "0",           "0", "000000000", "00", "0", name};
}

bool insertChannelRows(RecordingServices &window, const QList<QStringList> &rows)
{
    QSqlQuery insert(window.WorkConnection());
    insert.prepare("INSERT INTO MemoryData VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size(); ++i)
            insert.bindValue(i, row.at(i).isNull() ? QStringLiteral("") : row.at(i));
        if (!insert.exec())
            return false;
    }
    return true;
}

QByteArray mw(const QStringList &row)
{
    return "MW" + row.join(QString()).toLatin1() + ";";
}

QList<QStringList> entries(const QString &entry, const QString &name = {})
{
    QList<QStringList> rows;
    for (int channel = 0; channel < 300; ++channel)
        rows << channelRow(entry, channel, "00144000000", channel == 3 ? name : QString());
    return rows;
}

} // namespace

// The 600 memory-channel entries between the radio and MemoryData, over a pty.
class TestMemoryChannels : public LinkTestCase
{
    Q_OBJECT

public:
    TestMemoryChannels() : LinkTestCase(300ms) {}

private slots:
    void readStoresEveryEntryInOrder();
    void readStopsAtFault_data();
    void readStopsAtFault();
    void writeMergesAgreeingEntries_data();
    void writeMergesAgreeingEntries();
};

void TestMemoryChannels::readStoresEveryEntryInOrder()
{
    SimulatedRadio radio;
    QVERIFY(radio.start());
    RecordingServices window;
    QVERIFY(insertChannelRows(window, {channelRow("0", 999)}));
    QVERIFY2(fncMemoryChennelRead(window), qPrintable(window.failureReason()));

    const QStringList table = window.rows("MemoryData");
    QCOMPARE(table.size(), 600);
    const auto channels = radio.model(&sim::NormalRadio::channels);
    QList<QByteArray> expectedCommands{"AI0;"};
    for (int i = 0; i < 600; ++i) {
        const QByteArray key = QByteArray::number(i / 300) + QByteArray::number(i % 300).rightJustified(3, '0');
        expectedCommands << "MR" + key + ";";
        const QString row = table.at(i);
        QCOMPARE(row.section('|', 0, 2).remove('|').toLatin1(), key);
        QCOMPARE(row.section('|', 3).remove('|'), QString::fromLatin1(channels.value(key)));
    }
    QCOMPARE(radio.commands(), expectedCommands);
    QVERIFY(table.at(1).endsWith("|0|")); // a 42-character answer: no name
    QVERIFY(table.at(7).endsWith(QString::fromLatin1("|CAF\xC9")));
    QVERIFY(table.at(42).endsWith("|REPEATER"));
    QCOMPARE(window.progress.values.size(), 600);
    QCOMPARE(window.waitCursorCalls, 600);
    QVERIFY(radio.portIsFree());
}

void TestMemoryChannels::readStopsAtFault_data()
{
    QTest::addColumn<int>("silenceFrom");
    QTest::addColumn<int>("duplicateEchoAt");
    QTest::addColumn<int>("joinAt");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("reason");
    QTest::newRow("silent at channel 150 of the second pass")
        << 451 << 0 << 0 << 450 << "the radio did not answer a memory-channel read (MR1150;, waited 0.3 s): check";
    QTest::newRow("channel 150 echoes channel 149")
        << 0 << 151 << 0 << 150 << "the answer to MR0150; names entry 0-149, which is stored already";
    QTest::newRow("two answers run together")
        << 0 << 0 << 20 << 19 << "the radio answered a memory-channel read with something else (MR0019;";
}

void TestMemoryChannels::readStopsAtFault()
{
    QFETCH(int, silenceFrom);
    QFETCH(int, duplicateEchoAt);
    QFETCH(int, joinAt);
    QFETCH(int, rows);
    QFETCH(QString, reason);
    sim::SimOptions options;
    options.faults.silenceFrom = silenceFrom;
    SimulatedRadio radio(0, options);
    radio.model([&](sim::NormalRadio &r) {
        r.setDuplicateEchoAt(duplicateEchoAt);
        r.setJoinAt(joinAt);
    });
    QVERIFY(radio.start());
    RecordingServices window;
    QVERIFY(!fncMemoryChennelRead(window));
    QCOMPARE(window.rowCount("MemoryData"), rows);
    QCOMPARE(window.progress.current, rows);
    QVERIFY2(window.failureReason().startsWith(reason), qPrintable(window.failureReason()));
    QVERIFY(radio.portIsFree());
}

void TestMemoryChannels::writeMergesAgreeingEntries_data()
{
    QTest::addColumn<QList<QStringList>>("table");
    QTest::addColumn<QList<QByteArray>>("commands");

    const QList<QStringList> first = entries("0", "HOME");
    QList<QByteArray> merged;
    for (const QStringList &row : first)
        merged << mw(row);
    QTest::newRow("all agree: 300 with 0, channel order") << entries("1", "HOME") + first << merged;

    QList<QStringList> split = first + entries("1", "HOME");
    split[300 + 10][3] = "00144600000";
    QTest::newRow("channel 010 differs in P4") << split << merged + QList<QByteArray>{mw(split.at(310))};

    QList<QStringList> named = first + entries("1", "HOME");
    named[300 + 3][15] = "AWAY";
    QTest::newRow("channel 003 differs in its name") << named << merged + QList<QByteArray>{mw(named.at(303))};

    const QList<QStringList> second = entries("1");
    QList<QByteArray> secondOnly;
    for (const QStringList &row : second)
        secondOnly << mw(row);
    QTest::newRow("only entries 1: all sent with 1") << second << secondOnly;
    QTest::newRow("empty table") << QList<QStringList>{} << QList<QByteArray>{};
}

void TestMemoryChannels::writeMergesAgreeingEntries()
{
    QFETCH(QList<QStringList>, table);
    QFETCH(QList<QByteArray>, commands);
    SimulatedRadio radio;
    QVERIFY(radio.start());
    RecordingServices window;
    QVERIFY(insertChannelRows(window, table));
    QVERIFY2(fncMemoryChennelWrite(window), qPrintable(window.failureReason()));
    // The type is asked before the first command and after the last.
    QCOMPARE(radio.commands(),
             commands.isEmpty() ? commands : QList<QByteArray>{"TY;"} + commands + QList<QByteArray>{"TY;"});
    QCOMPARE(window.progress.current, commands.size());
    QVERIFY(window.waitCursorCalls >= commands.size());
    if (!commands.isEmpty() && commands.first().startsWith("MW0000"))
        QCOMPARE(commands.at(1).size(), 42); // no name: the command ends after field 15
}

QTEST_GUILESS_MAIN(TestMemoryChannels)
#include "tst_memorychannels.moc"
