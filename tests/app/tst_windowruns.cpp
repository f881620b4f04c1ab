#include <QTest>
class tst_WindowRuns : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(tst_WindowRuns)
#include "tst_windowruns.moc"
