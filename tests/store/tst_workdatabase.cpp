#include "RecordingServices.h"
#include "store/WorkDatabase.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The working database: its tables, their keys and limits, and its life.
class TestWorkDatabase : public QObject
{
    Q_OBJECT

private slots:
    void createsFiveTablesInOrder();
    void failureLeavesNoFile();
    void insertsAreChecked_data();
    void insertsAreChecked();
};

void TestWorkDatabase::createsFiveTablesInOrder()
{
    RecordingServices w;
    QVERIFY(w.isValid());
    QSqlQuery q(w.WorkConnection());
    QVERIFY(q.exec("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid"));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    QCOMPARE(names, QStringList({"UserPrg", "AdjustPrg", "BootPrg", "MemoryData", "MenuData"}));
    QVERIFY(q.exec("SELECT sql FROM sqlite_master WHERE name='MemoryData'"));
    QVERIFY(q.next());
    QVERIFY(q.value(0).toString().contains("CONSTRAINT PrimaryKey PRIMARY KEY (P1, P2, P3)"));
}

void TestWorkDatabase::failureLeavesNoFile()
{
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QString path = dir.filePath("x.mdb");
    QString reason;
    const bool created = WorkDatabase::create(path, &reason);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (created && geteuid() == 0)
        QSKIP("root writes into a read-only folder");
    QVERIFY(!created);
    QVERIFY(!reason.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestWorkDatabase::insertsAreChecked_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("lastSucceeds");
    const QString mem = "INSERT INTO MemoryData VALUES ('0','0','01','%1','','','','','','','','','','','','')";
    QTest::newRow("memory key repeated") << QStringList{mem.arg("a"), mem.arg("b")} << false;
    const QString menu = "INSERT INTO MenuData VALUES ('A','001','00','0','0','%1')";
    QTest::newRow("menu differs only in P5") << QStringList{menu.arg("1"), menu.arg("2")} << false;
    const QString boot = "INSERT INTO BootPrg VALUES (%1,'S1','13','0000','00','%2','FF')";
    QTest::newRow("empty DataString") << QStringList{boot.arg(0).arg("")} << true;
    QTest::newRow("50 characters") << QStringList{boot.arg(0).arg(QString(50, 'A'))} << true;
    QTest::newRow("51 characters") << QStringList{boot.arg(0).arg(QString(51, 'A'))} << false;
    QTest::newRow("RecNumber repeated") << QStringList{boot.arg(3).arg(""), boot.arg(3).arg("")} << false;
    QTest::newRow("NULL refused") << QStringList{"INSERT INTO MenuData VALUES ('A','001','00','0','0',NULL)"} << false;
}

void TestWorkDatabase::insertsAreChecked()
{
    QFETCH(QStringList, statements);
    QFETCH(bool, lastSucceeds);
    RecordingServices w;
    QSqlQuery q(w.WorkConnection());
    for (int i = 0; i < statements.size() - 1; ++i)
        QVERIFY2(q.exec(statements.at(i)), qPrintable(q.lastError().text()));
    QCOMPARE(q.exec(statements.last()), lastSucceeds);
}

QTEST_GUILESS_MAIN(TestWorkDatabase)
#include "tst_workdatabase.moc"
