#include <QTest>
class TestFileFaults : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
