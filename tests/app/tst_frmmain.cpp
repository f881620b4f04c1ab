// The window's own behaviour with the radio operations scripted: start-up and
// shut-down, the state machine of the four actions, texts and dialogs.
#include "AppHarness.h"
#include "SRecordFiles.h"
#include "SimulatedRadio.h"

#include "app/ActionController.h"
#include "app/QtTranslations.h"
#include "app/frmAbout.h"
#include "app/frmHelp.h"
#include "app/frmPorts.h"
#include "clone/MemoryChannels.h"
#include "store/UserFolders.h"
#include "store/WorkDatabase.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

using Language = StringTable::Language;

namespace {

const QString FirmwareFilter = QStringLiteral("CPU/DSP FIRMWARE FILE (*.mot)|*.mot|ALL FILE(*.*)|*.*");
const QString CsvFilter = QStringLiteral("CSV FILE (*.csv)|*.csv|ALL FILE(*.*)|*.*");
const QString FailedPreparation = QStringLiteral("\rFailure\r");

bool exec(QSqlDatabase db, const QString &sql)
{
    QSqlQuery query(db);
    return query.exec(sql);
}

void addImageRow(frmMain &w, const QString &table, int n)
{
    exec(w.WorkConnection(),
         QStringLiteral("INSERT INTO %1 VALUES (%2,'S2','14','000000','00','00','00')").arg(table).arg(n));
}

void addMenuRow(frmMain &w, int n)
{
    exec(w.WorkConnection(),
         QStringLiteral("INSERT INTO MenuData VALUES ('A','%1','00','0','0','1')").arg(n, 3, 10, QChar('0')));
}

// Snapshot of the window while an operation runs.
struct Seen
{
    bool windowEnabled = true;
    int enabledMenus = 5;
    bool execVisible = false;
    bool execEnabled = true;
    bool cancelVisible = false;
    bool cancelEnabled = true;
    bool barVisible = false;
    int barMaximum = -1;
    QString caution;
};

Seen look(AppHarness &h)
{
    const MainControls &c = h.ui();
    return {h.window().isEnabled(), h.enabledMenus(),         c.cmdExec->isVisible(),
            c.cmdExec->isEnabled(), c.cmdCancel->isVisible(), c.cmdCancel->isEnabled(),
            c.barMain->isVisible(), c.barMain->maximum(),     c.lblCaution->text()};
}

} // namespace

class tst_frmMain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTemporarySettings(); }
    void init()
    {
        storeSerialSetting(QString());
        for (const char *com : {"COM1", "COM2"})
            SerialPorts::setMappedDevice(com, QString());
        QDir(UserFolders::data()).removeRecursively();
    }

    void startUpShowsIdleWindow_data();
    void startUpShowsIdleWindow();
    void firmwareFilesBesideThenInDataFolder_data();
    void firmwareFilesBesideThenInDataFolder();
    void noStartWithoutWorkingDatabase_data();
    void noStartWithoutWorkingDatabase();
    void closeDeletesDatabaseAndStaleFileIsReplaced_data();
    void closeDeletesDatabaseAndStaleFileIsReplaced();
    void closeIsRefusedWhileRunning();

    void cancelledDialogReturnsSilentlyToIdle_data();
    void cancelledDialogReturnsSilentlyToIdle();
    void preparationArmsAndCancelKeepsTheRows_data();
    void preparationArmsAndCancelKeepsTheRows();
    void failedPreparationShowsFailureBox_data();
    void failedPreparationShowsFailureBox();
    void adjustFileFollowsTheType_data();
    void adjustFileFollowsTheType();
    void runShowsRunningStateThenResultThenIdle_data();
    void runShowsRunningStateThenResultThenIdle();
    void settingsReadGoesOnAfterFailures();

    void portMenuIsStoredAtOnce();
    void devicesDialogMapsComToThePortChosen_data();
    void devicesDialogMapsComToThePortChosen();
    void helpShowsInOwnViewerWhenTheDesktopCannot_data();
    void helpShowsInOwnViewerWhenTheDesktopCannot();
    void fileDialogsOpenInTheFolderLastUsed();
    void helpOpensThePageOfTheLanguage_data();
    void helpOpensThePageOfTheLanguage();
    void japaneseTexts();
    void aboutOpenedTwice();
};

void tst_frmMain::startUpShowsIdleWindow_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("com1");
    QTest::newRow("no setting") << QString() << true;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("anything else") << "x" << false;
}

void tst_frmMain::startUpShowsIdleWindow()
{
    QFETCH(QString, stored);
    QFETCH(bool, com1);
    storeSerialSetting(stored);
    AppHarness h;
    QVERIFY(h.startScripted());

    const MainControls &c = h.ui();
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Q41-2290-07"));
    QCOMPARE(c.lblAction->text(), QStringLiteral("Brisk for HX-7730"));
    QCOMPARE(c.lblInstruction->text(), QStringLiteral("Select action from menu bar."));
    QVERIFY(c.lblCaution->text().isEmpty());
    QVERIFY(c.lblType->text().isEmpty());
    QCOMPARE(c.cmdExec->text(), QStringLiteral("READ from RADIO"));
    QVERIFY(h.isIdle());
    const int width = h.window().centralWidget()->width();
    for (QLabel *label : {c.lblAction, c.lblInstruction, c.lblCaution}) {
        QCOMPARE(label->x(), 0);
        QCOMPARE(label->width(), width);
    }
    QCOMPARE(c.mnuMenu311->isChecked(), com1);
    QCOMPARE(c.mnuMenu312->isChecked(), !com1);
    QCOMPARE(h.window().settingsText(), com1 ? QStringLiteral("COM1: baud=9600 parity=n data=8 stop=1")
                                             : QStringLiteral("COM2: baud=9600 parity=n data=8 stop=1"));
    QCOMPARE(h.operations.calls, QStringList{"fncImportMotFile " + h.path("7730F.REL")});
    QVERIFY(h.dialogs.shown.isEmpty());
}

void tst_frmMain::firmwareFilesBesideThenInDataFolder_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("places"); // where the file lies
    for (const char *file : {"7730F.REL", "ADJ/FPU.D3T"})
        for (const char *places : {"beside+data", "data", ""})
            QTest::addRow("%s %s", file, *places ? places : "nowhere") << file << places;
}

void tst_frmMain::firmwareFilesBesideThenInDataFolder()
{
    QFETCH(QString, file);
    QFETCH(QString, places);
    const bool adjust = file.startsWith("ADJ"); // looked for when ADJUST is chosen, else at start-up
    AppHarness h;
    h.prepareScripted();
    const QString beside = h.path(file);
    const QString inData = QDir(UserFolders::data()).filePath(file);
    if (!places.contains("beside"))
        QVERIFY(QFile::remove(beside));
    if (places.contains("data"))
        QVERIFY(QDir().mkpath(QFileInfo(inData).path()) && QFile::copy(h.path("ADJ/FPU_SJ.D3T"), inData));
    QString atBox;
    h.dialogs.onMessage = [&] {
        atBox = h.window().windowTitle() + "|" + h.ui().lblInstruction->text() + (adjust && h.isIdle() ? "|idle" : "");
    };
    QVERIFY(h.start());
    if (adjust)
        h.ui().cmdAdjust->click();

    const QStringList imports = h.operations.calls.filter(QRegularExpression("^fncImport.* .*" + file + "$"));
    if (places.isEmpty()) {
        QCOMPARE(h.dialogs.shown, QStringList{"critical Error!!: '" + QDir::toNativeSeparators(file) +
                                              "' Not Found !! (Looked for it in:\n" + beside + "\n" + inData + ")"});
        QCOMPARE(atBox, QString("Q41-2290-07|Select action from menu bar.") + (adjust ? "|idle" : ""));
        QVERIFY(imports.isEmpty());
        QVERIFY(h.isIdle());
    } else {
        QVERIFY(h.dialogs.shown.isEmpty());
        QCOMPARE(imports.size(), 1);
        QVERIFY(imports[0].endsWith(' ' + (places.startsWith("beside") ? beside : inData)));
    }
}

void tst_frmMain::noStartWithoutWorkingDatabase_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("text");
    const QString cannot = QStringLiteral("The working database cannot be created.");
    QTest::newRow("another window holds the lock") << "window"
                                                   << "Brisk for HX-7730 is already running.";
    QTest::newRow("a folder in the database's place") << "folder" << cannot;
    QTest::newRow("the lock cannot be made") << "lock" << cannot;
}

void tst_frmMain::noStartWithoutWorkingDatabase()
{
    QFETCH(QString, cause);
    QFETCH(QString, text);
    AppHarness first;
    QVERIFY(first.startScripted());
    addImageRow(first.window(), "BootPrg", 1);
    AppHarness h;
    h.prepareScripted();
    // A folder in the database's place cannot be replaced by a database; a file in the
    // work folder's place holds no lock.
    const QString blocked = h.path(QCoreApplication::applicationName() + ".mdb");
    if (cause == "folder")
        QVERIFY(QDir().mkpath(blocked + "/inside"));
    h.workFolder = cause == "window" ? first.folder() : cause == "lock" ? h.path("7730F.REL") : QString();
    QVERIFY(!h.start());
    QCOMPARE(h.dialogs.shown.size(), 1);
    QVERIFY2(h.dialogs.shown[0].startsWith("critical Error!!: " + text + " ("), qPrintable(h.dialogs.shown[0]));
    QCOMPARE(h.dialogs.shown[0].contains("lock file"), cause == "lock");
    QVERIFY(h.operations.calls.isEmpty());
    h.destroyWindow();
    QVERIFY(cause != "folder" || QFileInfo(blocked).isDir());
    QVERIFY(QFile::exists(first.window().databasePath()));
    QCOMPARE(WorkDatabase::countRows(first.window().WorkConnection(), "SELECT * FROM BootPrg"), 1);
}

void tst_frmMain::closeDeletesDatabaseAndStaleFileIsReplaced_data()
{
    QTest::addColumn<bool>("inRuntimeFolder"); // as for a program folder that cannot be written
    QTest::newRow("beside the program") << false;
    QTest::newRow("in the runtime folder") << true;
}

void tst_frmMain::closeDeletesDatabaseAndStaleFileIsReplaced()
{
    QFETCH(bool, inRuntimeFolder);
    AppHarness h;
    h.prepareScripted();
    if (inRuntimeFolder) {
        h.workFolder = UserFolders::runtime();
        QVERIFY(QDir().mkpath(h.workFolder));
    }
    const QString name = QCoreApplication::applicationName() + ".mdb";
    const QString db = QDir(inRuntimeFolder ? h.workFolder : h.folder()).filePath(name);
    QVERIFY(SRecordFiles::writeFile(db, "left behind by a crash"));
    QVERIFY(h.start());
    QCOMPARE(h.window().databasePath(), db);
    QVERIFY(QFileInfo::exists(db + ".lock"));
    QCOMPARE(QDir(h.folder()).entryList({"*.mdb*"}).isEmpty(), inRuntimeFolder);
    QCOMPARE(WorkDatabase::countRows(h.window().WorkConnection(), "SELECT * FROM UserPrg"), 0);
    QVERIFY(h.window().close());
    QVERIFY(!QFile::exists(db));
    QVERIFY(!QFile::exists(db + ".lock"));
}

void tst_frmMain::closeIsRefusedWhileRunning()
{
    AppHarness h;
    QVERIFY(h.startScripted());
    bool closedDuringRun = true;
    bool closedDuringImport = true;
    h.operations.onCall = [&](const QString &name, const QString &) {
        if (name == "fncImportFirmwareFile")
            closedDuringImport = h.window().close();
        if (name == "fncTransmitProgram")
            closedDuringRun = h.window().close();
    };
    h.dialogs.files = QStringList{h.path("USER.mot")};
    h.ui().cmdUser->click();
    h.ui().cmdExec->click();
    QVERIFY(!closedDuringImport);
    QVERIFY(!closedDuringRun);
    QVERIFY(QFile::exists(h.window().databasePath()));
    QVERIFY(h.window().WorkConnection().isOpen());
    QVERIFY(h.isIdle());
    QVERIFY(h.window().close());
}

void tst_frmMain::cancelledDialogReturnsSilentlyToIdle_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("byMenu");
    QTest::addColumn<bool>("save"); // a save dialog, else an open dialog
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("toolkitFilter"); // the filter in the file dialog's own form
    const QString firmware = QStringLiteral("CPU/DSP FIRMWARE FILE (*.mot);;ALL FILE(*.*)");
    const QString csv = QStringLiteral("CSV FILE (*.csv);;ALL FILE(*.*)");
    for (bool byMenu : {false, true}) {
        const char *by = byMenu ? "menu" : "button";
        QTest::addRow("USER %s", by) << Action::User << byMenu << false << FirmwareFilter << firmware;
        QTest::addRow("settings write %s", by) << Action::SettingsWrite << byMenu << false << CsvFilter << csv;
        QTest::addRow("settings read %s", by) << Action::SettingsRead << byMenu << true << CsvFilter << csv;
    }
}

void tst_frmMain::cancelledDialogReturnsSilentlyToIdle()
{
    QFETCH(Action, action);
    QFETCH(bool, byMenu);
    QFETCH(bool, save);
    QFETCH(QString, filter);
    QFETCH(QString, toolkitFilter);
    AppHarness h;
    QVERIFY(h.startScripted());
    Seen atDialog;
    h.dialogs.onFileDialog = [&] { atDialog = look(h); };
    trigger(h, action, byMenu);
    QCOMPARE(h.dialogs.fileRequests.size(), 1);
    const ScriptedDialogs::FileRequest &request = h.dialogs.fileRequests[0];
    QCOMPARE(request.save, save);
    QCOMPARE(request.title, QStringLiteral("Select File"));
    QCOMPARE(request.filter, filter);
    QCOMPARE(qtFileFilter(filter), toolkitFilter);
    QVERIFY(atDialog.enabledMenus == 0);
    QVERIFY(atDialog.execVisible && !atDialog.execEnabled);
    QVERIFY(atDialog.cancelVisible && atDialog.cancelEnabled);
    QVERIFY(h.dialogs.shown.isEmpty());
    QVERIFY(h.isIdle());
    QVERIFY(h.window().actions().FileName().isEmpty());
    QCOMPARE(h.ui().lblAction->text(), QStringLiteral("Brisk for HX-7730"));
    QCOMPARE(h.ui().lblInstruction->text(), QStringLiteral("Select action from menu bar."));
}

void tst_frmMain::preparationArmsAndCancelKeepsTheRows_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("actionText");
    QTest::addColumn<QString>("armedText");
    QTest::addColumn<QString>("execText");
    QTest::addColumn<QString>("preparingText"); // while the file is imported; "" no import
    QTest::newRow("USER") << Action::User << "UserPrg"
                          << "USER FIRMWARE WRITE"
                          << "Push the write button go into write to radio."
                          << "WRITE to RADIO"
                          << "Preparing for user firm.";
    QTest::newRow("ADJUST") << Action::Adjust << "AdjustPrg"
                            << "ADJUST FIRMWARE WRITE"
                            << "Push the write button go into write to radio."
                            << "WRITE to RADIO"
                            << "Preparing for adjust firm.";
    QTest::newRow("settings write") << Action::SettingsWrite << "MenuData"
                                    << "Menu item / MRch Write"
                                    << "Push the write button to write data to radio."
                                    << "WRITE to RADIO"
                                    << "Preparing for menu and memory channel data.";
    QTest::newRow("settings read") << Action::SettingsRead << ""
                                   << "Menu item / MRch Read"
                                   << "Push the read button to read data from radio."
                                   << "READ from RADIO"
                                   << "";
}

void tst_frmMain::preparationArmsAndCancelKeepsTheRows()
{
    QFETCH(Action, action);
    QFETCH(QString, table);
    QFETCH(QString, actionText);
    QFETCH(QString, armedText);
    QFETCH(QString, execText);
    QFETCH(QString, preparingText);
    AppHarness h;
    h.prepareScripted();
    Seen preparing;
    auto fill = [&] {
        preparing = look(h);
        if (table == "MenuData")
            addMenuRow(h.window(), 1);
        else
            addImageRow(h.window(), table, 1);
        return true;
    };
    h.operations.replaced.insert("fncImportFirmwareFile", fill);
    h.operations.replaced.insert("fncImportCsvFile", fill);
    QVERIFY(h.start());
    h.dialogs.files = QStringList{h.path("chosen.file")};
    trigger(h, action, false);

    if (!preparingText.isEmpty()) {
        QVERIFY(!preparing.windowEnabled && preparing.enabledMenus == 0);
        QVERIFY(preparing.execVisible && !preparing.execEnabled);
        QCOMPARE(preparing.caution, preparingText);
        QCOMPARE(QApplication::overrideCursor() ? 1 : 0, 0); // restored once the import is over
    }
    const Seen armed = look(h);
    QVERIFY(armed.windowEnabled && armed.enabledMenus == 0);
    QVERIFY(armed.execVisible && armed.execEnabled && armed.cancelVisible && armed.cancelEnabled);
    QVERIFY(!armed.barVisible);
    QCOMPARE(armed.caution, armedText);
    QCOMPARE(h.ui().lblAction->text(), actionText);
    QCOMPARE(h.ui().cmdExec->text(), execText);
    for (QPushButton *b : h.ui().preparationButtons())
        QVERIFY(!b->isEnabled());
    QVERIFY(h.dialogs.shown.isEmpty());
    if (action == Action::SettingsRead)
        QCOMPARE(h.window().actions().FileName(), h.path("chosen.file"));

    h.ui().cmdCancel->click();
    QVERIFY(h.isIdle());
    QVERIFY(h.window().actions().FileName().isEmpty());
    if (!table.isEmpty())
        QCOMPARE(WorkDatabase::countRows(h.window().WorkConnection(), "SELECT * FROM " + table), 1);
    QVERIFY(h.operations.calls.filter("fncTransmit").isEmpty());
}

void tst_frmMain::failedPreparationShowsFailureBox_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("table");
    QTest::newRow("USER import") << Action::User << "fncImportFirmwareFile"
                                 << "UserPrg";
    QTest::newRow("USER image not writable") << Action::User << "isWritableImage"
                                             << "UserPrg";
    QTest::newRow("ADJUST import") << Action::Adjust << "fncImportFirmwareFile"
                                   << "AdjustPrg";
    QTest::newRow("ADJUST image not writable") << Action::Adjust << "isWritableImage"
                                               << "AdjustPrg";
    QTest::newRow("settings file") << Action::SettingsWrite << "fncImportCsvFile"
                                   << "";
}

void tst_frmMain::failedPreparationShowsFailureBox()
{
    QFETCH(Action, action);
    QFETCH(QString, failing);
    QFETCH(QString, table);
    AppHarness h;
    h.prepareScripted();
    h.operations.replaced.insert("fncImportFirmwareFile", [&] {
        addImageRow(h.window(), table, 1);
        return true;
    });
    h.operations.replaced.insert(failing, [] { return false; });
    h.operations.reasons.insert(failing, "line 7 is not an S-record");
    QVERIFY(h.start());
    h.dialogs.files = QStringList{h.path("bad.file")};
    trigger(h, action, false);

    QCOMPARE(h.dialogs.shown, QStringList{"critical Error!!: " + FailedPreparation + " (line 7 is not an S-record)"});
    QVERIFY(h.isIdle());
    QVERIFY(!QApplication::overrideCursor());
    if (failing == "isWritableImage") // a refused image is never left to be sent
        QCOMPARE(WorkDatabase::countRows(h.window().WorkConnection(), "SELECT * FROM " + table), 0);
}

void tst_frmMain::adjustFileFollowsTheType_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("readType"); // type a settings read found first; "" none
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("typeLabel");
    QTest::addColumn<int>("radioType");
    QTest::newRow("English default") << Language::English << ""
                                     << "ADJ/FPU.D3T"
                                     << "Type K" << 0;
    QTest::newRow("Japanese default") << Language::Japanese << ""
                                      << "ADJ/FPU_VJ.D3T"
                                      << "Type J(V)" << 2;
    QTest::newRow("read J(S) - EXT") << Language::English << "J(S) - EXT"
                                     << "ADJ/FPU_SJ.D3T"
                                     << "Type J(S) - EXT" << 1;
}

void tst_frmMain::adjustFileFollowsTheType()
{
    QFETCH(Language, language);
    QFETCH(QString, readType);
    QFETCH(QString, file);
    QFETCH(QString, typeLabel);
    QFETCH(int, radioType);
    AppHarness h(language);
    QVERIFY(h.startScripted());
    if (!readType.isEmpty()) {
        h.operations.typeText = readType;
        h.dialogs.files = QStringList{h.path("read.csv")};
        h.ui().cmdMRead->click();
        h.ui().cmdExec->click();
        QVERIFY(h.isIdle());
    }
    h.operations.calls.clear();
    QString typeDuringImport;
    h.operations.onCall = [&](const QString &, const QString &) { typeDuringImport = h.ui().lblType->text(); };
    h.ui().cmdAdjust->click();
    QCOMPARE(h.operations.calls.value(0), "fncImportFirmwareFile " + h.path(file));
    QCOMPARE(typeDuringImport, typeLabel);
    QCOMPARE(h.ui().lblType->text(), typeLabel);
    QCOMPARE(int(h.window().actions().RadioType()), radioType);
    QVERIFY(h.ui().cmdExec->isEnabled());
}

void tst_frmMain::runShowsRunningStateThenResultThenIdle_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("last"); // the run's last operation; nothing follows it
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<int>("barMaximum");
    QTest::addColumn<QString>("runningText");
    QTest::addColumn<QString>("disabledButton");
    // 3 boot-loader rows; 2 menu rows and 3 channel rows, two of which agree.
    for (bool ok : {true, false}) {
        const char *result = ok ? " succeeds" : " fails";
        QTest::addRow("USER%s", result) << Action::User << "fncTransmitProgram" << ok << 3 + 2049
                                        << "Now writing user firmware. Please wait for a few minutes."
                                        << "cmdUser";
        QTest::addRow("ADJUST%s", result) << Action::Adjust << "fncTransmitProgram" << ok << 3 + 2049
                                          << "Now writing adjustment firmware. Please wait for a few minutes."
                                          << "cmdAdjust";
        if (!ok) // the program transfer is never called
            QTest::newRow("USER, boot loader fails") << Action::User << "fncTransmitBootProgram" << ok << 3 + 2049
                                                     << "Now writing user firmware. Please wait for a few minutes."
                                                     << "cmdUser";
        QTest::addRow("settings read%s", result)
            << Action::SettingsRead << "fncExportCsvFile" << ok << 730 << "Now reading menu and memory channel data"
            << "cmdMRead";
        QTest::addRow("settings write%s", result) << Action::SettingsWrite << "fncMemoryChennelWrite" << ok << -1
                                                  << "Now writing menu and memory channel data"
                                                  << "cmdMWrite";
    }
}

void tst_frmMain::runShowsRunningStateThenResultThenIdle()
{
    QFETCH(Action, action);
    QFETCH(QString, last);
    QFETCH(bool, succeeds);
    QFETCH(int, barMaximum);
    QFETCH(QString, runningText);
    QFETCH(QString, disabledButton);
    AppHarness h;
    h.prepareScripted();
    h.operations.replaced.insert(last, [succeeds] { return succeeds; });
    h.operations.reasons.insert(last, "no answer from the radio");
    QVERIFY(h.start());
    for (int n = 1; n <= 3; ++n)
        addImageRow(h.window(), "BootPrg", n);
    addMenuRow(h.window(), 1);
    addMenuRow(h.window(), 2);
    h.dialogs.files = QStringList{h.path("chosen.file")};
    trigger(h, action, true);
    QVERIFY(h.ui().cmdExec->isEnabled());

    Seen running;
    bool buttonDisabled = false;
    h.operations.onCall = [&](const QString &name, const QString &) {
        if (name == last) {
            running = look(h);
            buttonDisabled = !h.window().findChild<QPushButton *>(disabledButton)->isEnabled();
        }
    };
    Seen reporting;
    h.dialogs.onMessage = [&] { reporting = look(h); };
    h.ui().cmdExec->click();

    QVERIFY(!running.windowEnabled && running.enabledMenus == 0);
    QVERIFY(running.execVisible && !running.execEnabled && running.cancelVisible && !running.cancelEnabled);
    QVERIFY(running.barVisible);
    QVERIFY(buttonDisabled);
    if (barMaximum > 0)
        QCOMPARE(running.barMaximum, barMaximum);
    else // M + K + 1 with the channel count of the grouped query
        QCOMPARE(running.barMaximum, WorkDatabase::countRows(h.window().WorkConnection(), memoryGroupQuery()) + 2 + 1);
    QCOMPARE(running.caution, runningText);

    // An ADJUST write's box names the file it wrote.
    const QString adjustFile =
        action == Action::Adjust ? "ADJUST file: " + QDir::toNativeSeparators(h.path("ADJ/FPU.D3T")) : QString();
    QCOMPARE(h.dialogs.shown,
             QStringList{succeeds ? "Infomation: Success" + (adjustFile.isEmpty() ? QString() : " (" + adjustFile + ")")
                                  : "critical Error!!: Failure (no answer from the radio" +
                                        (adjustFile.isEmpty() ? QString() : "\n" + adjustFile) + ")"});
    QVERIFY(h.operations.calls.last().startsWith(last));
    // A boot-loader failure is back in Idle before its box; a run's box comes first.
    QVERIFY(reporting.windowEnabled && !reporting.barVisible);
    QCOMPARE(reporting.enabledMenus, last == "fncTransmitBootProgram" ? 5 : 0);
    QVERIFY(h.isIdle());
    QVERIFY(!QApplication::overrideCursor());
}

void tst_frmMain::settingsReadGoesOnAfterFailures()
{
    AppHarness h;
    h.prepareScripted();
    h.operations.typeText = QString(); // the radio did not answer the type query
    h.operations.replaced.insert("fncMenuRead", [] { return false; });
    QVERIFY(h.start());
    h.dialogs.files = QStringList{h.path("out.csv")};
    h.ui().cmdMRead->click();
    h.operations.calls.clear();
    h.ui().cmdExec->click();
    QCOMPARE(h.operations.calls, (QStringList{"fncTypeRead", "fncMenuRead", "fncMemoryChennelRead"}));
    QCOMPARE(h.ui().lblType->text(), QStringLiteral("Type "));
    QVERIFY(h.dialogs.shown.value(0).startsWith("critical Error!!: Failure"));
}

void tst_frmMain::portMenuIsStoredAtOnce()
{
    AppHarness h;
    QVERIFY(h.startScripted());
    h.ui().mnuMenu312->trigger();
    QCOMPARE(storedSerialSetting(), QStringLiteral("2"));
    QVERIFY(!h.ui().mnuMenu311->isChecked() && h.ui().mnuMenu312->isChecked());
    QVERIFY(h.window().settingsText().startsWith("COM2:"));
    h.ui().mnuMenu311->trigger();
    QCOMPARE(storedSerialSetting(), QStringLiteral("1"));
    QVERIFY(h.ui().mnuMenu311->isChecked() && !h.ui().mnuMenu312->isChecked());
}

void tst_frmMain::devicesDialogMapsComToThePortChosen_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void tst_frmMain::devicesDialogMapsComToThePortChosen()
{
    QFETCH(bool, accept);
    // A simulated radio on a pty, not yet COM1; the pty stands in for a USB adapter.
    SimulatedRadio radio;
    QVERIFY(radio.line().start());
    const QString pty = radio.line().devicePath();
    QTemporaryDir byId;
    const QString stable = byId.filePath("usb-Bench_Adapter_0001-if00-port0");
    QVERIFY(QFile::link(pty, stable));
    QCOMPARE(SerialPorts::stableNameOf(pty, byId.path()), stable);

    AppHarness h;
    h.serialPorts = [&] { return QList<SerialPortEntry>{{pty, "Bench adapter", "Brisk", "0001", stable}}; };
    QVERIFY(h.startScripted());
    QCOMPARE(h.ui().mnuMenu311->toolTip(), QStringLiteral("/dev/ttyS0"));
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<frmPorts *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        const QTreeWidgetItem *row = dialog->findChild<QTreeWidget *>("lstPorts")->topLevelItem(0);
        for (int column = 0; row && column < 5; ++column)
            shown << row->text(column);
        auto *com1 = dialog->findChild<QComboBox *>("cboCom1");
        shown << com1->currentText();
        com1->setCurrentIndex(0);
        dialog->findChild<QPushButton *>(accept ? "cmdOK" : "cmdCancel")->click();
    });
    h.ui().mnuMenu313->trigger();
    QCOMPARE(shown, (QStringList{pty, "Bench adapter", "Brisk", "0001", stable, "/dev/ttyS0"}));

    const QString com1 = accept ? stable : QStringLiteral("/dev/ttyS0");
    QCOMPARE(SerialPorts::mappedDevice("COM1"), com1);
    QCOMPARE(SerialPorts::mappedDevice("COM2"), QStringLiteral("/dev/ttyS1"));
    QCOMPARE(h.ui().mnuMenu311->toolTip(), com1);
    QCOMPARE(h.ui().mnuMenu312->toolTip(), QStringLiteral("/dev/ttyS1"));
    if (accept) { // COM1 now reaches the radio
        clsBriskHx7730 link;
        QString p1, p2;
        QVERIFY(link.CommOpen(QLatin1String(SettingsCom1)) && link.TyRead(p1, p2));
    }
}

void tst_frmMain::helpShowsInOwnViewerWhenTheDesktopCannot_data()
{
    QTest::addColumn<QString>("opener"); // the desktop's xdg-open; "" none
    QTest::addColumn<bool>("ownViewer");
    QTest::newRow("no opener") << "" << true;
    QTest::newRow("no browser") << "exit 3" << true;
    QTest::newRow("the desktop shows it") << "exit 0" << false;
    QTest::newRow("no page, no opener") << "missing" << false; // as ever, nothing happens
}

void tst_frmMain::helpShowsInOwnViewerWhenTheDesktopCannot()
{
    QFETCH(QString, opener);
    QFETCH(bool, ownViewer);
    QTemporaryDir bin;
    const QString page = bin.filePath("help_e.htm");
    if (opener != "missing")
        QVERIFY(
            SRecordFiles::writeFile(page, "<html><head><title>Usage</title></head><body>Press WRITE.</body></html>"));
    if (!opener.isEmpty() && opener != "missing") {
        QVERIFY(SRecordFiles::writeFile(bin.filePath("xdg-open"), "#!/bin/sh\n" + opener.toUtf8() + "\n"));
        QVERIFY(QFile::setPermissions(bin.filePath("xdg-open"), QFile::ReadOwner | QFile::ExeOwner));
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8());
    QWidget owner;
    DesktopDialogs().openDocument(&owner, page);
    qputenv("PATH", path);
    QTRY_VERIFY(!owner.findChild<QProcess *>("helpOpener"));
    const frmHelp *help = owner.findChild<frmHelp *>();
    QCOMPARE(help != nullptr, ownViewer);
    if (help) {
        QVERIFY(help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Usage"));
        QCOMPARE(help->findChild<QTextBrowser *>("txtHelp")->toPlainText(), QStringLiteral("Press WRITE."));
    }
}

void tst_frmMain::fileDialogsOpenInTheFolderLastUsed()
{
    QTemporaryDir first, second;
    const QString chosen[] = {first.filePath("USER.mot"), second.filePath("radio.csv"), first.filePath("USER.mot")};
    QVERIFY(SRecordFiles::writeFile(chosen[0], "S9030000FC\n"));
    QStringList openedIn;
    for (const QString &file : chosen) {
        QTimer::singleShot(0, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                openedIn << dialog->directory().absolutePath();
                dialog->selectFile(file);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        DesktopDialogs dialogs; // the folder is the user's setting, not the object's
        const QString answer = file.endsWith(".csv") ? dialogs.chooseFileToSave(nullptr, "Select File", "CSV|*.csv")
                                                     : dialogs.chooseFileToOpen(nullptr, "Select File", "MOT|*.mot");
        QCOMPARE(answer, file);
    }
    QCOMPARE(openedIn, (QStringList{QDir::homePath(), first.path(), second.path()}));
}

void tst_frmMain::helpOpensThePageOfTheLanguage_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<QString>("page");
    QTest::newRow("English") << Language::English << "HELP/help_e.htm";
    QTest::newRow("Japanese") << Language::Japanese << "HELP/help_j.htm";
}

void tst_frmMain::helpOpensThePageOfTheLanguage()
{
    QFETCH(Language, language);
    QFETCH(QString, page);
    AppHarness h(language);
    QVERIFY(h.startScripted());
    h.ui().mnuMenu4->trigger();
    QCOMPARE(h.dialogs.documents, QStringList{h.path(page)});
    QVERIFY(h.dialogs.shown.isEmpty());
}

void tst_frmMain::japaneseTexts()
{
    AppHarness h(Language::Japanese);
    QVERIFY(h.startScripted());
    const MainControls &c = h.ui();
    QCOMPARE(c.lblInstruction->text(), QStringLiteral("ﾒﾆｭｰから処理を選んでください"));
    QCOMPARE(c.cmdCancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(c.mnuMenu3->title(), QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    h.dialogs.files = QStringList{h.path("out.csv")};
    c.cmdMRead->click();
    QCOMPARE(h.dialogs.fileRequests.value(0).title, QStringLiteral("ﾌｧｲﾙ選択"));
    QCOMPARE(c.cmdExec->text(), QStringLiteral("読込"));
    QCOMPARE(c.lblCaution->text(), QStringLiteral("読込ボタンを押すと読込スタートします。"));
    c.cmdExec->click();
    QVERIFY(h.isIdle());
    QCOMPARE(h.texts(147), QStringLiteral("メニュー／メモリーチャンネル") + QChar(0x3000) + QStringLiteral("読込中"));
    QCOMPARE(h.texts(148), QStringLiteral("メニュー／メモリーチャンネル") + QChar(0x3000) + QStringLiteral("書込中"));
    QCOMPARE(StringTable::languageOf(QLocale(QLocale::Japanese, QLocale::Japan)), Language::Japanese);
    QCOMPARE(StringTable::languageOf(QLocale(QLocale::German)), Language::English);

    // Qt's own buttons follow, from Qt's translations; an English window keeps Qt's English.
    QVERIFY(installQtTranslations(Language::English));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    QVERIFY(installQtTranslations(Language::Japanese));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    QCOMPARE(QCoreApplication::translate("QMessageBox", "Show Details..."), QStringLiteral("詳細を表示..."));
    qDeleteAll(qApp->findChildren<QTranslator *>());
}

void tst_frmMain::aboutOpenedTwice()
{
    AppHarness h;
    QVERIFY(h.startScripted());
    QStringList seen;
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, [&] {
            auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
            if (!about)
                return;
            seen << about->windowTitle() + "|" + about->findChild<QLabel *>("lblTitle")->text() + "|" +
                        about->findChild<QLabel *>("lblVersion")->text() + "|" +
                        about->findChild<QLabel *>("lblDate")->text() + "|" +
                        (about->findChild<QLabel *>("picIcon")->pixmap().isNull() ? "no icon" : "icon");
            about->findChild<QPushButton *>("cmdOK")->click();
        });
        h.ui().mnuMenu5->trigger();
    }
    const QString expected = "Q41-2290-07 - Version infomation|Q41-2290-07|Version 1.00|DEC 20 2000|icon";
    QCOMPARE(seen, (QStringList{expected, expected}));
    QVERIFY(h.isIdle());
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
