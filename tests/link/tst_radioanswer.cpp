#include "link/RadioAnswer.h"

#include <QTest>

// Which texts count as whole answers, and how they cut into fields.
class TestRadioAnswer : public QObject
{
    Q_OBJECT

private slots:
    void acceptance_data();
    void acceptance();
    void cutting_data();
    void cutting();
};

Q_DECLARE_METATYPE(const RadioAnswer::Form *)

void TestRadioAnswer::acceptance_data()
{
    QTest::addColumn<const RadioAnswer::Form *>("form");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    const QByteArray mr42 = "MR" + QByteArray(39, '0') + ";";
    QTest::newRow("MR 42") << &RadioAnswer::Mr << mr42 << true;
    QTest::newRow("MR 50") << &RadioAnswer::Mr << "MR" + QByteArray(47, '0') + ";" << true;
    QTest::newRow("MR 51") << &RadioAnswer::Mr << "MR" + QByteArray(48, '0') + ";" << false;
    QTest::newRow("MR 41") << &RadioAnswer::Mr << "MR" + QByteArray(38, '0') + ";" << false;
    QTest::newRow("mr lower case") << &RadioAnswer::Mr << "mr" + QByteArray(39, '0') + ";" << false;
    QTest::newRow("stray byte in front") << &RadioAnswer::Mr << "~" + mr42.left(41) << false;
    QTest::newRow("no terminator") << &RadioAnswer::Mr << "MR" + QByteArray(40, '0') << false;
    QTest::newRow("EX 10") << &RadioAnswer::Ex << QByteArray("EX0450131;") << true;
    QTest::newRow("EX 26") << &RadioAnswer::Ex << "EX0450131" + QByteArray(16, 'x') + ";" << true;
    QTest::newRow("EX 27") << &RadioAnswer::Ex << "EX0450131" + QByteArray(17, 'x') + ";" << false;
    QTest::newRow("two EX run together, within 26") << &RadioAnswer::Ex << QByteArray("EX0450131;EX0450131;") << false;
    QTest::newRow("TY 6") << &RadioAnswer::Ty << QByteArray("TY001;") << true;
    QTest::newRow("TY 7") << &RadioAnswer::Ty << QByteArray("TY0011;") << false;
    QTest::newRow("TY 5") << &RadioAnswer::Ty << QByteArray("TY01;") << false;
}

void TestRadioAnswer::acceptance()
{
    QFETCH(const RadioAnswer::Form *, form);
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QCOMPARE(RadioAnswer::accepts(text, *form), accepted);
}

void TestRadioAnswer::cutting_data()
{
    QTest::addColumn<const RadioAnswer::Form *>("form");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("TY001;") << &RadioAnswer::Ty << QByteArray("TY001;") << QStringList{"00", "1"};
    QTest::newRow("EX empty value") << &RadioAnswer::Ex << QByteArray("EX0450131;")
                                    << QStringList{"045", "01", "3", "1", ""};
    QTest::newRow("EX value with commas")
        << &RadioAnswer::Ex << QByteArray("EX0010000a,,b;") << QStringList{"001", "00", "0", "0", "a,,b"};
    QTest::newRow("MR with name above 127")
        << &RadioAnswer::Mr << QByteArray("MR100114500000000120308000100000000000001\xC4\xE9;")
        << QStringList{"1",  "0",   "01", "14500000000", "1",         "2",  "0", "30",
                       "80", "001", "0",  "0",           "000000000", "00", "1", QString::fromLatin1("\xC4\xE9")};
}

void TestRadioAnswer::cutting()
{
    QFETCH(const RadioAnswer::Form *, form);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, fields);
    QVERIFY(RadioAnswer::accepts(answer, *form));
    QCOMPARE(RadioAnswer::cut(answer, *form), fields);
}

QTEST_APPLESS_MAIN(TestRadioAnswer)
#include "tst_radioanswer.moc"
