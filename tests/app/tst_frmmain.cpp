// The window with its operations scripted: the state table of the four actions,
// start-up and shut-down, texts in both languages, and the window's dialogs.
#include "AppHarness.h"
#include "SimulatedRadio.h"

#include "app/frmHelp.h"
#include "store/UserFolders.h"
#include "store/WorkDatabase.h"

#include <QComboBox>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

using Language = StringTable::Language;

static void sql(AppHarness &h, const QString &statement)
{
    QVERIFY(QSqlQuery(h.window().WorkConnection()).exec(statement));
}

static int rows(AppHarness &h, const QString &table)
{
    return WorkDatabase::countRows(h.window().WorkConnection(), "SELECT * FROM " + table);
}

// Runs `onModal` on the next modal window to come up.
static void whenModal(const std::function<void(QWidget *)> &onModal)
{
    QTimer::singleShot(0, [onModal] {
        if (QWidget *modal = QApplication::activeModalWidget())
            onModal(modal);
    });
}

class tst_frmMain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { AppHarness::useTemporarySettings(); }
    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "BriskHx7730").clear();
        QDir(UserFolders::data()).removeRecursively();
    }

    // Each row is the window's path through its states, "; " apart: the state with
    // lblAction/lblInstruction/lblCaution/cmdExec by string number, and the file dialogs,
    // operations and boxes in it; then the rows left in the action's table.
    void actionsFollowTheStateTable_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QString>("how"); // "", the operation that fails, "cancel dialog" or "cancel"
        QTest::addColumn<QString>("path");
        auto row = [](const QString &name, Action action, const QString &how, const QString &path) {
            for (bool byMenu : {false, true})
                if (!byMenu || how.isEmpty())
                    QTest::addRow("%s%s", qPrintable(name), byMenu ? ", by menu" : "")
                        << action << byMenu << how << path;
        };
        const auto User = Action::User, Adjust = Action::Adjust, Write = Action::SettingsWrite,
                   Read = Action::SettingsRead;
        const QString ok = "Infomation: Success", failed = "critical Error!!: Failure (failed)",
                      notPrepared = "critical Error!!: \rFailure\r (failed)",
                      user = "Preparing 118/111/112/140 open 129 mot",
                      userImport = user + "; Importing 118/-/150/140 ImportFirmwareFile chosen",
                      userArmed = userImport + " isWritableImage UserPrg; Armed 118/-/151/140",
                      userRun = userArmed + "; Running 118/-/153/140 bar 2052 TransmitBootProgram",
                      userReport = userRun + " TransmitProgram UserPrg; Reporting 118/-/153/140 ",
                      adjust = "Importing 119/117/149/140 ImportFirmwareFile ADJ/FPU.D3T isWritableImage AdjustPrg; "
                               "Armed 119/117/151/140",
                      adjustReport = adjust + "; Running 119/117/152/140 bar 2052 TransmitBootProgram TransmitProgram "
                                              "AdjustPrg; Reporting 119/117/152/140 ",
                      write = "Preparing 120/122/146/140 open 129 csv",
                      writeArmed = write + "; Importing 120/-/154/140 ImportCsvFile chosen; Armed 120/-/146/140",
                      writeReport = writeArmed + "; Running 120/-/148/140 bar 5 MenuWrite MemoryChennelWrite; "
                                                 "Reporting 120/-/148/140 ",
                      read = "Preparing 121/-/123/139 save 129 csv",
                      readArmed = read + "; Armed 121/-/145/139 file chosen",
                      readRun = readArmed +
                                "; Running 121/-/145/139 file chosen bar 730 TypeRead; Running 121/-/147/139 "
                                "file chosen bar 730 MenuRead MemoryChennelRead";
        row("USER", User, "", userReport + ok + "; Idle; UserPrg 1");
        row("USER, program fails", User, "fncTransmitProgram", userReport + failed + "; Idle; UserPrg 1");
        // The program transfer needs the loader: nothing follows, and the window is idle before the box.
        row("USER, boot loader fails", User, "fncTransmitBootProgram", userRun + "; Idle " + failed + "; UserPrg 1");
        row("USER, import fails", User, "fncImportFirmwareFile", userImport + "; Idle " + notPrepared + "; UserPrg 1");
        row("USER, image refused", User, "isWritableImage",
            userImport + " isWritableImage UserPrg; Idle " + notPrepared + "; UserPrg 0");
        row("USER, dialog cancelled", User, "cancel dialog", user + "; Idle; UserPrg 1");
        row("USER, cancelled when armed", User, "cancel", userArmed + "; Idle; UserPrg 1");
        row("ADJUST", Adjust, "", adjustReport + ok + " (ADJUST file: ADJ/FPU.D3T); Idle; AdjustPrg 1");
        row("ADJUST, program fails", Adjust, "fncTransmitProgram",
            adjustReport + "critical Error!!: Failure (failed\nADJUST file: ADJ/FPU.D3T); Idle; AdjustPrg 1");
        row("ADJUST, cancelled when armed", Adjust, "cancel", adjust + "; Idle; AdjustPrg 1");
        row("settings write", Write, "", writeReport + ok + "; Idle; MenuData 2");
        // The channels are written even when the menus failed.
        row("settings write, menus fail", Write, "fncMenuWrite", writeReport + failed + "; Idle; MenuData 2");
        row("settings write, file not loaded", Write, "fncImportCsvFile",
            write + "; Importing 120/-/154/140 ImportCsvFile chosen; Preparing 120/-/154/140 " + notPrepared +
                "; Idle; MenuData 2");
        row("settings write, dialog cancelled", Write, "cancel dialog", write + "; Idle; MenuData 2");
        row("settings write, cancelled when armed", Write, "cancel", writeArmed + "; Idle; MenuData 2");
        row("settings read", Read, "",
            readRun + " ExportCsvFile chosen; Reporting 121/-/147/139 file chosen " + ok + "; Idle");
        // The channels are read even when the menus failed; nothing is saved after a failed read.
        for (const QString failing : {"fncMenuRead", "fncMemoryChennelRead"})
            row("settings read, " + failing + " fails", Read, failing,
                readRun + "; Reporting 121/-/147/139 file chosen " + failed + "; Idle");
        row("settings read, dialog cancelled", Read, "cancel dialog", read + "; Idle");
        row("settings read, cancelled when armed", Read, "cancel", readArmed + "; Idle");
    }

    void actionsFollowTheStateTable()
    {
        QFETCH(Action, action);
        QFETCH(bool, byMenu);
        QFETCH(QString, how);
        QFETCH(QString, path);
        AppHarness h;
        QVERIFY(h.startScripted());
        // Tables an earlier import filled: 3 boot-loader rows, 2 menu rows and 3 channel rows, two of which agree.
        const QString record = " VALUES (%1,'S2','14','000000','00','00','00')";
        for (const QString table : {"BootPrg", "BootPrg", "BootPrg", "UserPrg", "AdjustPrg"})
            sql(h, "INSERT INTO " + table + record.arg(rows(h, table)));
        for (const char *key : {"'0','001'", "'1','001'", "'0','002'"})
            sql(h, QString("INSERT INTO MemoryData VALUES (%1").arg(key) + QString(",'0'").repeated(14) + ")");
        for (const char *menu : {"001", "002"})
            sql(h, QString("INSERT INTO MenuData VALUES ('A','%1','00','0','0','1')").arg(menu));
        if (how.startsWith("fnc") || how == "isWritableImage")
            h.operations.replaced[how] = [] { return false; };
        if (how != "cancel dialog")
            h.dialogs.files = QStringList{h.path("chosen")};

        QStringList trace;
        QString last;
        auto note = [&](QString what) {
            if (const QString now = h.state(); trace.isEmpty() || now != last)
                trace << (last = now);
            if (!what.isEmpty())
                trace.last() += ' ' + what.replace(h.folder() + '/', "");
        };
        h.dialogs.onFileDialog = [&](QString request) {
            note(request.replace(h.texts(129), "129")
                     .replace("CPU/DSP FIRMWARE FILE (*.mot)|*.mot|ALL FILE(*.*)|*.*", "mot")
                     .replace("CSV FILE (*.csv)|*.csv|ALL FILE(*.*)|*.*", "csv"));
        };
        // The window cannot be closed in the middle of an import or a run.
        h.operations.onCall = [&](const QString &call) {
            note(call.mid(call.startsWith("fnc") ? 3 : 0) + (h.window().close() ? " (closed)" : ""));
        };
        h.dialogs.onMessage = [&] { note(h.dialogs.shown.last()); };
        h.trigger(action, byMenu);
        note({});
        if (how == "cancel")
            h.ui().cmdCancel->click();
        else if (h.ui().cmdExec->isEnabled())
            h.ui().cmdExec->click();
        note({});
        // A refused image is emptied; anything else keeps what was imported.
        if (const QString table = QStringList{"UserPrg", "AdjustPrg", "MenuData", ""}[int(action)]; !table.isEmpty())
            trace << table + ' ' + QString::number(rows(h, table));
        QCOMPARE(trace, path.split("; "));
    }

    void startUpShowsTheWindowAndShutDownDeletesTheDatabase_data()
    {
        QTest::addColumn<QString>("stored"); // the port choice
        QTest::addColumn<bool>("com1");
        QTest::addColumn<Language>("language");
        QTest::addColumn<bool>("inRuntimeFolder"); // as for a program folder that cannot be written
        QTest::newRow("no setting") << "" << true << Language::English << false;
        QTest::newRow("1, Japanese") << "1" << true << Language::Japanese << true;
        QTest::newRow("2") << "2" << false << Language::English << true;
        QTest::newRow("anything else, Japanese") << "x" << false << Language::Japanese << false;
    }

    void startUpShowsTheWindowAndShutDownDeletesTheDatabase()
    {
        QFETCH(QString, stored);
        QFETCH(bool, com1);
        QFETCH(Language, language);
        QFETCH(bool, inRuntimeFolder);
        const bool japanese = language == Language::Japanese;
        QCOMPARE(StringTable::languageOf(QLocale(japanese ? QLocale::Japanese : QLocale::German)), language);
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "BriskHx7730");
        if (!stored.isEmpty())
            settings.setValue("Settings/Serial", stored);
        AppHarness h(language);
        h.workFolder = inRuntimeFolder ? UserFolders::runtime() : QString();
        const QString db = QDir(inRuntimeFolder ? h.workFolder : h.folder()).filePath("tst_frmmain.mdb");
        QVERIFY(QDir().mkpath(QFileInfo(db).path()) && SRecordFiles::writeFile(db, "left behind by a crash"));
        QVERIFY(h.startScripted());

        const MainControls &c = h.ui();
        QCOMPARE(h.state() + ' ' + h.window().windowTitle() + c.lblType->text(), QString("Idle Q41-2290-07"));
        QStringList numbers;
        for (QObject *control : QList<QObject *>{
                 c.cmdMRead, c.cmdAdjust, c.cmdUser, c.cmdMWrite, c.cmdExec, c.cmdCancel, c.mnuMenu1->menuAction(),
                 c.mnuMenu11, c.mnuMenu12, c.mnuMenu2->menuAction(), c.mnuMenu21, c.mnuMenu22, c.mnuMenu3->menuAction(),
                 c.mnuMenu31->menuAction(), c.mnuMenu311, c.mnuMenu312, c.mnuMenu313, c.mnuMenu4, c.mnuMenu5})
            numbers << h.textNumber(control->property("text").toString());
        QCOMPARE(numbers.join(' '), "137 119 118 138 139 115 102 106 107 103 108 109 131 132 133 134 \"" +
                                        h.texts(StringTable::Added::MenuDevices) + "\" 135 105");
        QCOMPARE(h.operations.calls, QStringList{"fncImportMotFile " + h.path("7730F.REL")});
        QCOMPARE(h.window().databasePath(), db);
        QVERIFY(QFileInfo::exists(db + ".lock"));
        QCOMPARE(rows(h, "UserPrg"), 0);
        QCOMPARE(QDir(h.folder()).entryList({"*.mdb*"}).isEmpty(), inRuntimeFolder);
        QCOMPARE(h.window().settingsText(), QString("COM%1: baud=9600 parity=n data=8 stop=1").arg(com1 ? 1 : 2));
        for (bool chooseCom1 : {!com1, com1}) { // stored the moment it is chosen
            (chooseCom1 ? c.mnuMenu311 : c.mnuMenu312)->trigger();
            settings.sync();
            QCOMPARE(settings.value("Settings/Serial").toString(), QString(chooseCom1 ? "1" : "2"));
            QCOMPARE(c.mnuMenu311->isChecked() + 2 * c.mnuMenu312->isChecked(), chooseCom1 ? 1 : 2);
        }
        for (int i = 0; i < 2; ++i) { // the About window, the same each time
            whenModal([&](QWidget *about) {
                for (const char *label : {"lblTitle", "lblVersion", "lblDate"})
                    h.dialogs.shown << about->windowTitle() + ": " + about->findChild<QLabel *>(label)->text();
                QVERIFY(!about->findChild<QLabel *>("picIcon")->pixmap().isNull());
                about->findChild<QPushButton *>("cmdOK")->click();
            });
            c.mnuMenu5->trigger();
        }
        c.mnuMenu4->trigger(); // the help page of the language
        const QString about = "Q41-2290-07 - Version infomation: ";
        const QStringList once{about + "Q41-2290-07", about + "Version 1.00", about + "DEC 20 2000"};
        QCOMPARE(h.dialogs.shown,
                 once + once + QStringList{"document " + h.path(japanese ? "HELP/help_j.htm" : "HELP/help_e.htm")});
        QVERIFY(h.isIdle());
        QVERIFY(h.window().close());
        QVERIFY(!QFile::exists(db) && !QFile::exists(db + ".lock"));
    }

    void noStartWithoutWorkingDatabase_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("box");
        const QString cannot = "critical Error!!: The working database cannot be created. (";
        QTest::newRow("another window holds the lock") << "window"
                                                       << "critical Error!!: Brisk for HX-7730 is already running. (";
        QTest::newRow("a folder in the database's place") << "folder" << cannot;
        QTest::newRow("the lock cannot be made") << "lock" << cannot + "cannot create the lock file";
    }

    void noStartWithoutWorkingDatabase()
    {
        QFETCH(QString, cause);
        QFETCH(QString, box);
        AppHarness first, h;
        QVERIFY(first.startScripted());
        sql(first, "INSERT INTO BootPrg VALUES (1,'S2','14','000000','00','00','00')");
        const QString blocked = h.path("tst_frmmain.mdb");
        QVERIFY(cause != "folder" || QDir().mkpath(blocked + "/inside")); // a folder cannot become a database
        // A file in the work folder's place holds no lock.
        h.workFolder = cause == "window" ? first.folder() : cause == "lock" ? h.path("7730F.REL") : QString();
        QVERIFY(!h.startScripted());
        QCOMPARE(h.dialogs.shown.size(), 1);
        QVERIFY2(h.dialogs.shown[0].startsWith(box), qPrintable(h.dialogs.shown[0]));
        QVERIFY(h.operations.calls.isEmpty());
        h.destroyWindow();
        QCOMPARE(QFileInfo(blocked).isDir(), cause == "folder");
        QCOMPARE(rows(first, "BootPrg"), 1);
    }

    // Looked for at start-up (the boot loader) or when ADJUST is chosen.
    void firmwareFilesBesideThenInDataFolder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("places"); // where the file lies
        for (const char *file : {"7730F.REL", "ADJ/FPU.D3T"})
            for (const char *places : {"beside+data", "data", ""})
                QTest::addRow("%s %s", file, *places ? places : "nowhere") << file << places;
    }

    void firmwareFilesBesideThenInDataFolder()
    {
        QFETCH(QString, file);
        QFETCH(QString, places);
        AppHarness h;
        h.addDeliveredFiles();
        const QString beside = h.path(file), inData = QDir(UserFolders::data()).filePath(file);
        QVERIFY(places.contains("beside") || QFile::remove(beside));
        QVERIFY(!places.contains("data") ||
                (QDir().mkpath(QFileInfo(inData).path()) && QFile::copy(h.path("ADJ/FPU_SJ.D3T"), inData)));
        h.dialogs.onMessage = [&] { h.dialogs.shown.last() += " in " + h.state(); };
        h.operations.withoutRadio = true;
        QVERIFY(h.start());
        if (file.startsWith("ADJ"))
            h.ui().cmdAdjust->click();
        const QString found = places.isEmpty() ? "" : places.startsWith("beside") ? beside : inData;
        QCOMPARE(h.operations.calls.filter(QRegularExpression("^fncImport.* .*" + file + "$")).join(""),
                 found.isEmpty() ? ""
                                 : (file.startsWith("ADJ") ? "fncImportFirmwareFile " : "fncImportMotFile ") + found);
        QCOMPARE(h.dialogs.shown,
                 found.isEmpty() ? QStringList{"critical Error!!: '" + file + "' Not Found !! (Looked for it in:\n" +
                                               beside + "\n" + inData + ") in Idle"}
                                 : QStringList());
        QVERIFY(h.isIdle() || found.endsWith(".D3T"));
    }

    void adjustFileFollowsTheType_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("readType"); // what a settings read found first; "none" no read
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("radioType");
        auto row = [](const char *name, Language language, const char *readType, const char *file, int radioType) {
            QTest::newRow(name) << language << QString(readType) << QString(file) << radioType;
        };
        row("English default K", Language::English, "none", "FPU.D3T", 0);
        row("Japanese default J(V)", Language::Japanese, "none", "FPU_VJ.D3T", 2);
        row("read J(V) - EXT", Language::English, "J(V) - EXT", "FPU_VJ.D3T", 2);
        row("read J(S), Japanese", Language::Japanese, "J(S)", "FPU_SJ.D3T", 1);
        row("no answer, Japanese", Language::Japanese, "", "FPU.D3T", 0);
    }

    void adjustFileFollowsTheType()
    {
        QFETCH(Language, language);
        QFETCH(QString, readType);
        QFETCH(QString, file);
        QFETCH(int, radioType);
        AppHarness h(language);
        QVERIFY(h.startScripted());
        const QString type = "Type " + (readType == "none" ? h.texts(142) : readType);
        if (readType != "none") {
            h.operations.typeText = readType;
            h.dialogs.files = QStringList{h.path("read.csv")};
            h.ui().cmdMRead->click();
            h.ui().cmdExec->click();
            QCOMPARE(h.ui().lblType->text(), type);
        }
        h.ui().cmdAdjust->click();
        QCOMPARE(h.operations.calls.filter("fncImportFirmwareFile"),
                 QStringList{"fncImportFirmwareFile " + h.path("ADJ/" + file)});
        QCOMPARE(h.ui().lblType->text(), type);
        QCOMPARE(int(h.window().actions().RadioType()), radioType);
        QCOMPARE(h.state(), QString("Armed 119/117/151/140"));
    }

    // Every entry, 101 to 154 and the added texts, as the CRC-16 of its English and
    // Japanese texts: a changed character in either names its entry.
    void textsOfBothLanguages()
    {
        const QString expected =
            "8b8ee5c2be09f0783cbf670b6f875816745f7df05d780acff078f078951df0782066987d2599423ba806134a5"
            "644f078f078f078f078f07858ecf0789ddaf115d6ade84bee6652e55146ccfb99f9886df078ec7ff078c06a63"
            "34220a052177fb68eee7bf66398621273b33e0ad03791b2c91fcb54a445c985dabb269";
        const StringTable english(Language::English), japanese(Language::Japanese);
        QString digest;
        QStringList changed;
        auto add = [&](const QString &entry, const QString &en, const QString &ja) {
            digest += QString("%1").arg(qChecksum((en + '\0' + ja).toUtf8()), 4, 16, QChar('0'));
            if (digest.right(4) != expected.mid(digest.size() - 4, 4))
                changed << entry + " \"" + en + "\" \"" + ja + '"';
        };
        for (int id = 101; id <= 154; ++id)
            add(QString::number(id), english(id), japanese(id));
        for (int added = 0; added <= int(StringTable::Added::StableName); ++added)
            add("added " + QString::number(added), english(StringTable::Added(added)),
                japanese(StringTable::Added(added)));
        QVERIFY2(changed.isEmpty(), qPrintable("digest " + digest + "\nchanged: " + changed.join("; ")));
        QCOMPARE(digest.size(), expected.size());
    }

    void helpShowsInOwnViewerWhenTheDesktopCannot_data()
    {
        QTest::addColumn<QString>("opener"); // what the desktop's xdg-open does
        QTest::addColumn<bool>("ownViewer");
        QTest::newRow("no opener") << "" << true;
        QTest::newRow("no browser") << "/bin/false" << true;
        QTest::newRow("the desktop shows it") << "/bin/true" << false;
        QTest::newRow("no page, no opener") << "missing" << false; // as ever, nothing happens
    }

    void helpShowsInOwnViewerWhenTheDesktopCannot()
    {
        QFETCH(QString, opener);
        QFETCH(bool, ownViewer);
        QTemporaryDir bin;
        const QString page = bin.filePath("help_e.htm"), path = qEnvironmentVariable("PATH");
        QVERIFY(opener == "missing" ||
                SRecordFiles::writeFile(page, "<html><head><title>Usage</title></head><body>Press WRITE.</body>"));
        QVERIFY(!opener.startsWith('/') || QFile::link(opener, bin.filePath("xdg-open")));
        qputenv("PATH", bin.path().toUtf8());
        QWidget owner;
        DesktopDialogs().openDocument(&owner, page);
        qputenv("PATH", path.toUtf8());
        QTRY_VERIFY(!owner.findChild<QProcess *>("helpOpener"));
        const frmHelp *help = owner.findChild<frmHelp *>();
        QCOMPARE(help ? help->windowTitle() + ": " + help->findChild<QTextBrowser *>("txtHelp")->toPlainText() : "",
                 ownViewer ? "Usage: Press WRITE." : "");
    }

    void devicesDialogMapsComToThePortChosen_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK") << Language::English << true;
        QTest::newRow("Cancel, Japanese") << Language::Japanese << false;
    }

    void devicesDialogMapsComToThePortChosen()
    {
        QFETCH(Language, language);
        QFETCH(bool, accept);
        SimulatedRadio radio; // on a pty that stands in for a USB adapter, not yet COM1
        QVERIFY(radio.line().start());
        const QString pty = radio.line().devicePath(), stable = QDir::temp().filePath("usb-Bench_Adapter-if00-port0");
        QVERIFY(QFile::link(pty, stable));
        QCOMPARE(SerialPorts::stableNameOf(pty, QDir::tempPath()), stable);
        AppHarness h(language);
        h.serialPorts = [&] { return QList<SerialPortEntry>{{pty, "Bench adapter", "Brisk", "0001", stable}}; };
        QVERIFY(h.startScripted());
        whenModal([&](QWidget *dialog) {
            auto *com1 = dialog->findChild<QComboBox *>("cboCom1");
            h.dialogs.shown << dialog->windowTitle() << com1->currentText() << com1->itemText(0);
            com1->setCurrentIndex(0);
            dialog->findChild<QPushButton *>(accept ? "cmdOK" : "cmdCancel")->click();
        });
        h.ui().mnuMenu313->trigger();
        QCOMPARE(h.dialogs.shown, QStringList({h.texts(StringTable::Added::DevicesTitle), "/dev/ttyS0", stable}));
        const QString com1 = accept ? stable : "/dev/ttyS0";
        QCOMPARE(SerialPorts::mappedDevice("COM1") + ' ' + SerialPorts::mappedDevice("COM2"), com1 + " /dev/ttyS1");
        QCOMPARE(h.ui().mnuMenu311->toolTip() + ' ' + h.ui().mnuMenu312->toolTip(), com1 + " /dev/ttyS1");
        clsBriskHx7730 link; // COM1 now reaches the radio
        QVERIFY(!accept || link.CommOpen(QLatin1String(SettingsCom1)));
        QFile::remove(stable);
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
