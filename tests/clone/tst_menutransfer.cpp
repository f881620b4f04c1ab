#include "LinkTestCase.h"
#include "RecordingServices.h"
#include "SimulatedRadio.h"
#include "clone/MenuTransfer.h"
#include "link/LinkTiming.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// MenuData rows as the radio's model holds them: "A|045|01|3|1|value".
QStringList modelRows(const QMap<QByteArray, QByteArray> &menus, const QStringList &keys)
{
    QStringList rows;
    for (const QString &key : keys) {
        const QByteArray k = key.toLatin1();
        rows << QStringLiteral("%1|%2|%3|%4|%5|%6")
                    .arg(key.left(1), key.mid(1, 3), key.mid(4, 2), key.mid(6, 1), key.mid(7, 1),
                         QString::fromLatin1(menus.value(k)));
    }
    return rows;
}

QStringList keysOfTable(const QStringList &rows)
{
    QStringList keys;
    for (const QString &row : rows)
        keys << row.section('|', 0, 4).remove('|');
    return keys;
}

bool insertMenuRow(RecordingServices &window, const QStringList &values)
{
    QSqlQuery insert(window.WorkConnection());
    insert.prepare("INSERT INTO MenuData VALUES (?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < values.size(); ++i)
        insert.bindValue(i, values.at(i));
    return insert.exec();
}

} // namespace

// Both menu banks between the radio and MenuData, over a pty.
class TestMenuTransfer : public LinkTestCase
{
    Q_OBJECT

public:
    TestMenuTransfer() : LinkTestCase(300ms) {}

private slots:
    void readRowsByType_data();
    void readRowsByType();
    void radioSilentAtThirtiethRead();
    void writeSendsBankBeforeEveryRow();
    void writeBankSelect_data();
    void writeBankSelect();
};

void TestMenuTransfer::readRowsByType_data()
{
    QTest::addColumn<QByteArray>("typeFields");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("has061");
    QTest::addColumn<bool>("has062");
    QTest::newRow("EXT absent") << QByteArray("800") << 200 << false << false;
    QTest::newRow("EXT absent, P2 0 ignored") << QByteArray("F00") << 200 << false << false;
    QTest::newRow("EXT present, P2 0") << QByteArray("000") << 220 << true << true;
    QTest::newRow("EXT present, P2 1") << QByteArray("001") << 204 << true << false;
    QTest::newRow("no type answer") << QByteArray() << 204 << true << false;
}

void TestMenuTransfer::readRowsByType()
{
    QFETCH(QByteArray, typeFields);
    QFETCH(int, rows);
    QFETCH(bool, has061);
    QFETCH(bool, has062);
    SimulatedRadio radio;
    radio.setType(typeFields);
    QVERIFY(radio.start());
    RecordingServices window;
    QVERIFY(insertMenuRow(window, {"A", "999", "00", "0", "0", "stale"}));

    QVERIFY2(fncMenuRead(window), qPrintable(window.failureReason()));

    const QStringList table = window.rows("MenuData");
    QCOMPARE(table.size(), rows);
    QVERIFY(table.at(rows / 2 - 1).startsWith("A|") && table.at(rows / 2).startsWith("B|"));
    QCOMPARE(table.filter("|061|").isEmpty(), !has061);
    QCOMPARE(table.filter("|062|").isEmpty(), !has062);
    QCOMPARE(table, modelRows(radio.model(&sim::NormalRadio::menus), keysOfTable(table)));
    // Sorted by key the table keeps its order: the plan runs in ascending order.
    QStringList sorted = keysOfTable(table);
    sorted.sort();
    QCOMPARE(keysOfTable(table), sorted);
    QVERIFY(table.contains("A|045|01|0|0|")); // a ten-character answer: empty value
    QCOMPARE(window.progress.values.size(), 126);
    QCOMPARE(window.progress.current, 126);
    QCOMPARE(window.waitCursorCalls, 126);
    const QList<QByteArray> commands = radio.commands();
    QCOMPARE(commands.mid(0, 4), (QList<QByteArray>{"AI0;", "TY;", "MF0;", "EX0000000;"}));
    QCOMPARE(commands.count("MF1;"), 1);
    QCOMPARE(commands.indexOf("MF1;"), 3 + rows / 2);
    QCOMPARE(commands.size(), 4 + rows);
    QVERIFY(radio.portIsFree());
}

void TestMenuTransfer::radioSilentAtThirtiethRead()
{
    sim::SimOptions options;
    options.faults.silenceFrom = 31; // the TY answer is the first reply
    SimulatedRadio radio(0, options);
    QVERIFY(radio.start());
    RecordingServices window;
    QVERIFY(!fncMenuRead(window));
    QCOMPARE(window.rowCount("MenuData"), 29);
    QVERIFY(window.failureReason().startsWith("menu bank A: the radio did not answer a menu read (EX"));
    QVERIFY(radio.portIsFree());
}

// The write asks the type before its first command and after its last; a row
// with an empty value is left out, since its EX command would be a read.
void TestMenuTransfer::writeSendsBankBeforeEveryRow()
{
    SimulatedRadio source;
    source.setType("000");
    QVERIFY(source.start());
    RecordingServices window;
    QVERIFY(fncMenuRead(window));
    const QStringList table = window.rows("MenuData");
    QCOMPARE(table.size(), 220);
    const int empty = int(table.filter(QRegularExpression("\\|$")).size());
    QCOMPARE(empty, 14);

    SimulatedRadio target(1);
    QVERIFY(target.start());
    window.progress = {};
    QVERIFY2(fncMenuWrite(window), qPrintable(window.failureReason()));

    const QList<QByteArray> commands = target.commands();
    const int pairs = 220 - empty;
    QCOMPARE(commands.size(), 2 * pairs + 2);
    QCOMPARE(commands.first(), "TY;");
    QCOMPARE(commands.last(), "TY;");
    for (int i = 1; i < 2 * pairs; i += 2) {
        QCOMPARE(commands.at(i), QByteArray(i < pairs ? "MF0;" : "MF1;"));
        QVERIFY(commands.at(i + 1).startsWith("EX") && commands.at(i + 1).size() > 10);
    }
    QCOMPARE(commands.at(2), QByteArray("EX0000000"
                                        "0123456789ABCDEF;"));
    QCOMPARE(window.progress.current, 220);
    QCOMPARE(window.notes().size(), 1);
    QVERIFY2(window.notes().at(0).startsWith("left out 14 menu settings whose value is empty (an EX command without "
                                             "a value would read the setting, not empty it): EX,A,045,01,0,0, "),
             qPrintable(window.notes().at(0)));
    // Empty values sit at the same places in both radios.
    QCOMPARE(target.model(&sim::NormalRadio::menus), source.model(&sim::NormalRadio::menus));
}

void TestMenuTransfer::writeBankSelect_data()
{
    QTest::addColumn<QString>("bank");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QList<QByteArray>>("commands");
    const auto sent = [](const char *select) { return QList<QByteArray>{"TY;", select, "EX04501312;", "TY;"}; };
    QTest::newRow("A") << "A"
                       << "2" << sent("MF0;");
    QTest::newRow("B") << "B"
                       << "2" << sent("MF1;");
    QTest::newRow("neither") << "C"
                             << "2" << sent("MF1;");
    QTest::newRow("lower-case a") << "a"
                                  << "2" << sent("MF1;");
    QTest::newRow("empty value: nothing to send") << "A"
                                                  << "" << QList<QByteArray>{};
}

void TestMenuTransfer::writeBankSelect()
{
    QFETCH(QString, bank);
    QFETCH(QString, value);
    QFETCH(QList<QByteArray>, commands);
    SimulatedRadio radio;
    QVERIFY(radio.start());
    RecordingServices window;
    QVERIFY(insertMenuRow(window, {bank, "045", "01", "3", "1", value}));
    QVERIFY(fncMenuWrite(window));
    QCOMPARE(radio.commands(), commands);
    QCOMPARE(window.notes().size(), value.isEmpty() ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestMenuTransfer)
#include "tst_menutransfer.moc"
