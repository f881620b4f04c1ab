#include "LinkTestCase.h"
#include "SRecordFiles.h"
#include "ServiceRecords.h"
// The window's actions end to end: real operations against the simulated radio
// on a pty mapped to COM1, the operator's answers scripted.
#include "AppHarness.h"
#include "SimulatedRadio.h"

#include "app/ActionController.h"
#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/NormalRadio.h"
#include "sim/SimRadio.h"
#include "store/WorkDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;
using Icon = OperatorDialogs::Icon;

using SRecordFiles::readFile;

namespace {

} // namespace

class tst_WindowRuns : public LinkTestCase
{
    Q_OBJECT

public:
    tst_WindowRuns() : LinkTestCase(500ms) {}

private slots:
    void initTestCase() { useTemporarySettings(); }

    void settingsReadThenWriteCopiesOneRadioIntoAnother();
    void settingsReadOfJsRadioPicksItsAdjustFile();
};

void tst_WindowRuns::settingsReadThenWriteCopiesOneRadioIntoAnother()
{
    AppHarness h;
    h.addDeliveredFiles();
    QVERIFY(h.start());
    QVERIFY(h.dialogs.shown.isEmpty());
    const QString csv = h.path("radio-a.csv");
    h.writeFile("radio-a.csv", "stale contents"); // a settings read overwrites without asking

    {
        SimulatedRadio a(0); // with the EXT unit, so every menu is read
        a.setType("000");
        QVERIFY(a.start());
        h.dialogs.files = QStringList{csv};
        h.ui().mnuMenu22->trigger();
        QVERIFY(h.ui().cmdExec->isEnabled());
        h.ui().cmdExec->click();
        QCOMPARE(h.dialogs.shown, QStringList{"Infomation: Success"});
        QCOMPARE(h.ui().lblType->text(), QStringLiteral("Type K - EXT"));
        QVERIFY(h.isIdle());
        QVERIFY(readFile(csv).startsWith("MR,"));
        const QList<QJsonObject> records = serviceRecords();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0]["program"].toString(), QString("window"));
        QCOMPARE(records[0]["action"].toString(), QString("settings read"));
        QCOMPARE(records[0]["radioType"].toString(), QString("K - EXT"));
        QCOMPARE(records[0]["files"][0]["sha256"].toString(), sha256Of(readFile(csv)));
    }

    SimulatedRadio b(1);
    b.setType("000");
    QVERIFY(b.start());
    // A service log that cannot be written changes nothing the operator sees.
    const QByteArray dataFolder = qgetenv("XDG_DATA_HOME");
    h.writeFile("blocked/BriskHx7730", {});
    qputenv("XDG_DATA_HOME", QFile::encodeName(h.path("blocked")));
    h.dialogs.files = QStringList{csv};
    h.ui().mnuMenu21->trigger();
    QVERIFY(h.ui().cmdExec->isEnabled());
    QVERIFY(WorkDatabase::countRows(h.window().WorkConnection(), "SELECT * FROM MemoryData") > 0);
    h.ui().cmdExec->click();
    QCOMPARE(h.dialogs.shown.size(), 2);
    QVERIFY2(h.dialogs.shown[1].startsWith("Infomation: Success (left out 14 menu settings whose value is empty"),
             qPrintable(h.dialogs.shown[1]));
    QVERIFY(h.isIdle());
    qputenv("XDG_DATA_HOME", dataFolder);

    SimulatedRadio copy(0);
    QCOMPARE(b.model(&sim::NormalRadio::channels), copy.model(&sim::NormalRadio::channels));
    QCOMPARE(b.model(&sim::NormalRadio::menus), copy.model(&sim::NormalRadio::menus));
}

void tst_WindowRuns::settingsReadOfJsRadioPicksItsAdjustFile()
{
    AppHarness h;
    h.addDeliveredFiles();
    QVERIFY(h.start());
    SimulatedRadio radio(0); // market J(S), EXT unit fitted
    radio.setType("001");
    QVERIFY(radio.start());
    h.dialogs.files = QStringList{h.path("js.csv")};
    h.ui().cmdMRead->click();
    h.ui().cmdExec->click();
    QCOMPARE(h.dialogs.shown, QStringList{"Infomation: Success"});
    QCOMPARE(h.ui().lblType->text(), QStringLiteral("Type J(S) - EXT"));

    h.ui().cmdAdjust->click();
    QCOMPARE(h.operations.calls.filter("fncImportFirmwareFile").value(0),
             "fncImportFirmwareFile " + h.path("ADJ/FPU_SJ.D3T"));
    QCOMPARE(h.ui().lblType->text(), QStringLiteral("Type J(S) - EXT"));
    QVERIFY(WorkDatabase::countRows(h.window().WorkConnection(), "SELECT * FROM AdjustPrg") > 0);
}

QTEST_MAIN(tst_WindowRuns)
#include "tst_windowruns.moc"
