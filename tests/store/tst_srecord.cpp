#include "store/SRecord.h"

#include <QTest>

// One line as an S-record: what is accepted and decoded, and why the rest is refused.
class TestSRecord : public QObject
{
    Q_OBJECT

private slots:
    void acceptsRecords_data();
    void acceptsRecords();
    void refusesLines_data();
    void refusesLines();
};

void TestSRecord::acceptsRecords_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("type");
    QTest::addColumn<uint>("address");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("S0 header") << QByteArray("S00900006F2E73726563AC") << "S0" << 0u << QByteArray("o.srec");
    QTest::newRow("S1, 16 data bytes") << QByteArray("S1130000285F245F2212226A000424290008237C2A") << "S1" << 0u
                                       << QByteArray::fromHex("285F245F2212226A000424290008237C");
    QTest::newRow("S2 at 0x03FFF0") << QByteArray("S21403FFF0F56A2D7E454B517B6AD54FF86611E7941B") << "S2" << 0x03FFF0u
                                    << QByteArray::fromHex("F56A2D7E454B517B6AD54FF86611E794");
    QTest::newRow("lower case s2, lower-case digits")
        << QByteArray("s21403fff0f56a2d7e454b517b6ad54ff86611e7941b") << "s2" << 0x03FFF0u
        << QByteArray::fromHex("F56A2D7E454B517B6AD54FF86611E794");
    QTest::newRow("S5 record count") << QByteArray("S5034000BC") << "S5" << 0x4000u << QByteArray();
    QTest::newRow("S8 end") << QByteArray("S804000000FB") << "S8" << 0u << QByteArray();
    QTest::newRow("S9 end") << QByteArray("S9030000FC") << "S9" << 0u << QByteArray();
    QTest::newRow("S3, 32-bit address") << QByteArray("S30612345678AA3B") << "S3" << 0x12345678u
                                        << QByteArray::fromHex("AA");
}

void TestSRecord::acceptsRecords()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, type);
    QFETCH(uint, address);
    QFETCH(QByteArray, data);
    SRecord::Record record;
    QString reason;
    QVERIFY2(SRecord::parse(line, record, &reason), qPrintable(reason));
    QCOMPARE(record.typeText(), type);
    QCOMPARE(record.address, address);
    QCOMPARE(record.data, data);
    QCOMPARE(record.byteCount, (line.size() - 4) / 2);
}

void TestSRecord::refusesLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reason");

    QTest::newRow("checksum digit flipped")
        << QByteArray("S1130000285F245F2212226A000424290008237C2B") << "checksum is 2B, the record's bytes give 2A";
    QTest::newRow("data digit changed") << QByteArray("S1130000285F245F2212226A000424290008237D2A")
                                        << "checksum is 2A, the record's bytes give 29";
    QTest::newRow("not hexadecimal") << QByteArray("S1130000285G245F2212226A000424290008237C2A")
                                     << "character 12 is not a hexadecimal digit";
    QTest::newRow("tab inside") << QByteArray("S9030000\tFC") << "character 9 is not a hexadecimal digit";
    QTest::newRow("count too large") << QByteArray("S1140000285F245F2212226A000424290008237C2A")
                                     << "byte count says 20 bytes, the line has 19";
    QTest::newRow("one byte missing") << QByteArray("S1130000285F245F2212226A000424290008232A")
                                      << "byte count says 19 bytes, the line has 18";
    QTest::newRow("odd digits") << QByteArray("S9030000FC0") << "odd number of hexadecimal digits";
    QTest::newRow("count below the address") << QByteArray("S10200FD") << "byte count 2 is too small for an S1 record";
    QTest::newRow("no S") << QByteArray("11130000") << "not an S-record: it does not start with \"S\"";
    QTest::newRow("type letter") << QByteArray("SX030000FC") << "unknown record type";
    QTest::newRow("S4 reserved") << QByteArray("S4030000FC") << "S4 is a reserved record type";
    QTest::newRow("too short") << QByteArray("S9") << "too short for an S-record";
    QTest::newRow("longer than any count")
        << QByteArray("S1FF") + QByteArray(600, 'A') << "byte count says 255 bytes, the line has 300";
}

void TestSRecord::refusesLines()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, reason);
    SRecord::Record record;
    QString problem;
    QVERIFY(!SRecord::parse(line, record, &problem));
    QCOMPARE(problem, reason);
}

QTEST_GUILESS_MAIN(TestSRecord)
#include "tst_srecord.moc"
