#include "log/ServiceLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <latch>
#include <thread>
#include <vector>

// The service log is appended by the window and every `brisk` at once: no record is lost or torn.
class TestServiceLog : public QObject
{
    Q_OBJECT

private slots:
    void appendsOfTwoWritersAtOnceLoseNothing();
    void rotatesAtTenMegabytesKeepingOneOldLog();
};

// A log of the test's own: in a folder of its own where the data folder follows
// XDG_DATA_HOME, else (Windows) the user's log and old log removed.
QTemporaryDir freshLog()
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    QFile::remove(ServiceLog::path());
    QFile::remove(ServiceLog::oldPath());
    return data;
}

// A log of 10 MB becomes the old log, replacing the one before; the next record starts a
// new log, and the last records are read across both.
void TestServiceLog::rotatesAtTenMegabytesKeepingOneOldLog()
{
    const QTemporaryDir data = freshLog();
    const QByteArray full = QByteArray(10 << 20, 'x') + "\n{\"n\":1}\n";
    QFile log(ServiceLog::path()), old(ServiceLog::path() + ".1");
    QVERIFY(QDir().mkpath(QFileInfo(log).path()) && old.open(QIODevice::WriteOnly) && old.write("older\n") == 6);
    QVERIFY(log.open(QIODevice::WriteOnly) && log.write(full) == full.size());
    log.close(), old.close();
    QVERIFY(ServiceLog::append({{"n", 2}}));
    QVERIFY(log.open(QIODevice::ReadOnly) && old.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("{\"n\":2}\n"));
    QCOMPARE(old.readAll(), full);
    QByteArrayList lines;
    QVERIFY(ServiceLog::readLines(lines, 2));
    QCOMPARE(lines, (QByteArrayList{"{\"n\":1}", "{\"n\":2}"}));
}

// Each writer opens the log on its own, as two processes would, and both start together.
void TestServiceLog::appendsOfTwoWritersAtOnceLoseNothing()
{
    const QTemporaryDir data = freshLog();
    constexpr int PerWriter = 200;
    // Longer than a pipe's atomic write, so that no accident of size keeps lines whole.
    const QString padding(6000, QLatin1Char('x'));
    std::latch start(2);
    std::atomic<int> failed{0};
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 2; ++writer)
        writers.emplace_back([&, writer] {
            start.arrive_and_wait();
            for (int n = 0; n < PerWriter; ++n)
                failed += !ServiceLog::append({{"writer", writer}, {"n", n}, {"padding", padding}});
        });
    for (std::thread &writer : writers)
        writer.join();
    QCOMPARE(failed.load(), 0);

    QFile log(ServiceLog::path());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArrayList lines = log.readAll().split('\n');
    QCOMPARE(lines.size(), 2 * PerWriter + 1);
    int next[2] = {0, 0};
    for (const QByteArray &line : lines.mid(0, 2 * PerWriter)) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        QCOMPARE(record["padding"].toString(), padding);
        QCOMPARE(record["n"].toInt(), next[record["writer"].toInt()]++);
    }
}

QTEST_GUILESS_MAIN(TestServiceLog)
#include "tst_servicelog.moc"
