// Firmware writes from the window end to end: the real import, boot-loader and
// program transfers against the simulated radio in firmware-write mode.
#include "AppHarness.h"
#include "LinkTestCase.h"
#include "SRecordFiles.h"
#include "ServiceRecords.h"
#include "SimulatedRadio.h"

#include "app/ActionController.h"
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/FirmwareRadio.h"
#include "sim/SimRadio.h"
#include "store/WorkDatabase.h"

#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;

class tst_WindowFlash : public LinkTestCase
{
    Q_OBJECT

public:
    tst_WindowFlash() : LinkTestCase(1000ms) {}

private slots:
    void initTestCase() { useTemporarySettings(); }

    void firmwareWriteFillsTheRadio_data();
    void firmwareWriteFillsTheRadio();
};

void tst_WindowFlash::firmwareWriteFillsTheRadio_data()
{
    QTest::addColumn<bool>("user");
    QTest::addColumn<int>("seed"); // of the image that reaches the radio
    QTest::newRow("USER") << true << 7;
    QTest::newRow("ADJUST, default type K") << false << 1; // ADJ/FPU.D3T
}

void tst_WindowFlash::firmwareWriteFillsTheRadio()
{
    QFETCH(bool, user);
    QFETCH(int, seed);
    AppHarness h;
    h.addDeliveredFiles();
    h.writeFile("USER.mot", makeImage(7));
    QVERIFY(h.start());
    QVERIFY(h.dialogs.shown.isEmpty());
    FirmwareBench radio;
    QVERIFY(radio.start());

    h.dialogs.files = QStringList{h.path("USER.mot")};
    (user ? h.ui().mnuMenu11 : h.ui().mnuMenu12)->trigger();
    QVERIFY(h.ui().cmdExec->isEnabled());
    int barMaximum = 0, barValue = 0;
    h.dialogs.onMessage = [&] {
        barMaximum = h.ui().barMain->maximum();
        barValue = h.ui().barMain->value();
    };
    h.ui().cmdExec->click();

    // An ADJUST write names the file it chose in the box's detail.
    QCOMPARE(h.dialogs.shown, QStringList{user ? QStringLiteral("Infomation: Success")
                                               : "Infomation: Success (ADJUST file: " +
                                                     QDir::toNativeSeparators(h.path("ADJ/FPU.D3T")) + ")"});
    QVERIFY(h.isIdle());
    QCOMPARE(radio.model(&sim::FirmwareRadio::loaderBytes), imageBytes(99, 2048));
    QVERIFY(radio.model(&sim::FirmwareRadio::memory) == imageBytes(seed));
    QCOMPARE(barMaximum, WorkDatabase::countRows(h.window().WorkConnection(), "SELECT * FROM BootPrg") + 2049);
    QCOMPARE(barValue, 0); // the program transfer clears the bar when it is done

    const QJsonObject record = serviceRecords().value(serviceRecords().size() - 1);
    QCOMPARE(record["program"].toString(), QString("window"));
    QCOMPARE(record["action"].toString(), QString(user ? "USER firmware write" : "ADJUST firmware write"));
    QCOMPARE(record["result"].toString(), QString("success"));
    QCOMPARE(record["imageSha256"].toString(), sha256Of(imageBytes(seed)));
    QCOMPARE(record["loaderSha256"].toString(), sha256Of(imageBytes(99, 2048)));
    const QJsonArray files = record["files"].toArray();
    QCOMPARE(files.size(), 2);
    QCOMPARE(files[0]["path"].toString(), h.path("7730F.REL"));
    QCOMPARE(files[1]["path"].toString(), h.path(user ? "USER.mot" : "ADJ/FPU.D3T"));
    QCOMPARE(files[1]["sha256"].toString(), sha256Of(SRecordFiles::readFile(files[1]["path"].toString())));
}

QTEST_MAIN(tst_WindowFlash)
#include "tst_windowflash.moc"
