// The window with its operations scripted: the state table of the four actions,
// start-up and shut-down, texts in both languages, and the window's dialogs.
#include "AppHarness.h"
#include "SimulatedRadio.h"

#include "app/frmHelp.h"
#include "store/UserFolders.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPort>
#include <QSettings>
#include <QSqlQuery>
#include <QTextBrowser>

#include <csignal>

using Language = StringTable::Language;

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
    // lblAction/lblInstruction/lblCaution/cmdExec by string number and lblType, and the file
    // dialogs, operations and boxes in it; then the rows left in the action's table.
    void actionsFollowTheStateTable_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("byMenu");
        // Steps, "," apart: the operation that fails, "cancel dialog", "cancel" when armed, "ja" for
        // a Japanese window, "read:TYPE" for a settings read first, the ADJUST files "in data"/"nowhere".
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("path");
        auto row = [](const QString &name, Action action, const QString &how, const QString &path) {
            for (bool byMenu : {false, true})
                if (!byMenu || how.isEmpty())
                    QTest::addRow("%s%s", qPrintable(name), byMenu ? ", by menu" : "")
                        << action << byMenu << how << path;
        };
        const auto User = Action::User, Adjust = Action::Adjust, Write = Action::SettingsWrite,
                   Read = Action::SettingsRead;
        // The line that names the prepared action's file (and type) with the port it will use.
        auto named = [](const QString &line, bool japanese = false) {
            return " {" + line + (japanese ? " | ﾎﾟｰﾄ" : " | Port") + ": COM1 — /dev/ttyS0}";
        };
        // An ADJUST preparation: the type dialog offering `offered` (none: a type was read), the file
        // it picks, the line naming file, type and where the type came from, and lblType.
        auto adjustArmed = [&](const QString &offered, const QString &line, const QString &file, const QString &type) {
            const QString prepared = (type.isEmpty() ? "" : " [" + type + ']') + named(line, line.contains("ﾀｲﾌﾟ"));
            return (offered.isEmpty() ? "" : "Preparing 119/117/112/140 type dialog: " + offered + "; ") +
                   "Importing 119/117/149/140" + prepared + " ImportFirmwareFile " + file +
                   " isWritableImage AdjustPrg; Armed 119/117/151/140" + prepared;
        };
        const QString ok = "Infomation: Success", failed = "critical Error!!: Failure (failed)",
                      notPrepared = "critical Error!!: \rFailure\r (failed)",
                      user = "Preparing 118/111/112/140 open 129 mot", userFile = named("USER firmware file: chosen"),
                      userImport = user + "; Importing 118/-/150/140" + userFile + " ImportFirmwareFile chosen",
                      userArmed = userImport + " isWritableImage UserPrg; Armed 118/-/151/140" + userFile,
                      userRun = userArmed + "; Running 118/-/153/140" + userFile + " bar 2052 TransmitBootProgram",
                      userReport = userRun + " TransmitProgram UserPrg; Reporting 118/-/153/140" + userFile + ' ',
                      adjustNote = "ADJUST file: ADJ/FPU.D3T — type K, chosen", adjustFile = named(adjustNote),
                      adjust = adjustArmed("K", adjustNote, "ADJ/FPU.D3T", ""),
                      adjustReport = adjust + "; Running 119/117/152/140" + adjustFile +
                                     " bar 2052 TransmitBootProgram TransmitProgram AdjustPrg; Reporting "
                                     "119/117/152/140" +
                                     adjustFile + ' ',
                      boxNote = adjustNote + "\nPort: COM1 — /dev/ttyS0",
                      write = "Preparing 120/122/146/140 open 129 csv", writeFile = named("Settings file: chosen"),
                      writeImport = write + "; Importing 120/-/154/140" + writeFile + " ImportCsvFile chosen",
                      writeArmed = writeImport + "; Armed 120/-/146/140" + writeFile,
                      writeReport = writeArmed + "; Running 120/-/148/140" + writeFile +
                                    " bar 5 MenuWrite MemoryChennelWrite; Reporting 120/-/148/140" + writeFile + ' ',
                      read = "Preparing 121/-/123/139 save 129 csv", readFile = named("Saves to: chosen"),
                      readArmed = read + "; Armed 121/-/145/139 file chosen" + readFile,
                      readRun = readArmed + "; Running 121/-/145/139 file chosen" + readFile +
                                " bar 730 TypeRead; Running 121/-/147/139 file chosen [Type K]" + readFile +
                                " bar 730 MenuRead MemoryChennelRead",
                      readReport = "; Reporting 121/-/147/139 file chosen [Type K]" + readFile + ' ';
        row("USER", User, "", userReport + ok + "; Idle; UserPrg 1");
        row("USER, program fails", User, "fncTransmitProgram", userReport + failed + "; Idle; UserPrg 1");
        // The program transfer needs the loader: nothing follows, and the window is idle before the box.
        row("USER, boot loader fails", User, "fncTransmitBootProgram", userRun + "; Idle " + failed + "; UserPrg 1");
        row("USER, import fails", User, "fncImportFirmwareFile", userImport + "; Idle " + notPrepared + "; UserPrg 1");
        row("USER, image refused", User, "isWritableImage",
            userImport + " isWritableImage UserPrg; Idle " + notPrepared + "; UserPrg 0");
        row("USER, dialog cancelled", User, "cancel dialog", user + "; Idle; UserPrg 1");
        // Without the boot loader no firmware write can be made: refused before anything is chosen.
        for (const auto &[name, action] : {std::pair{"USER", User}, {"ADJUST", Adjust}})
            row(QString(name) + ", no boot loader at start-up", action, "no loader",
                "Idle critical Error!!: '7730F.REL' Not Found !! (Looked for it in:\n7730F.REL\nDATA/7730F.REL); " +
                    QString(action == User ? "UserPrg 1" : "AdjustPrg 1"));
        row("USER, cancelled when armed", User, "cancel", userArmed + "; Idle; UserPrg 1");
        row("ADJUST, K chosen", Adjust, "type:K", adjustReport + ok + " (" + boxNote + "); Idle; AdjustPrg 1");
        row("ADJUST, program fails", Adjust, "type:K,fncTransmitProgram",
            adjustReport + "critical Error!!: Failure (failed\n" + boxNote + "); Idle; AdjustPrg 1");
        // Without a type from the radio the operator chooses one, the language's default offered.
        row("ADJUST, no type chosen", Adjust, "", "Preparing 119/117/112/140 type dialog: K; Idle; AdjustPrg 1");
        row("ADJUST, Japanese, J(V) chosen, file in the data folder", Adjust, "ja,type:J(V),in data,cancel",
            adjustArmed("J(V)", "調整ﾌｧｲﾙ: DATA/ADJ/FPU_VJ.D3T — ﾀｲﾌﾟ J(V)（手動で選択）", "DATA/ADJ/FPU_VJ.D3T", "") +
                "; Idle; AdjustPrg 1");
        // A type the radio sent is used without asking, on the port it was read on.
        row("ADJUST after a read of J(S) - EXT", Adjust, "read:J(S) - EXT,cancel",
            adjustArmed("", "ADJUST file: ADJ/FPU_SJ.D3T — type J(S) - EXT, read from the radio on COM1 at HH:MM",
                        "ADJ/FPU_SJ.D3T", "Type J(S) - EXT") +
                "; Idle; AdjustPrg 1");
        row("ADJUST after a read of J(V), Japanese, file nowhere", Adjust, "ja,read:J(V),nowhere",
            "Idle critical Error!!: 'ADJ/FPU_VJ.D3T' Not Found !! (探した場所:\nADJ/FPU_VJ.D3T\n"
            "DATA/ADJ/FPU_VJ.D3T); AdjustPrg 1");
        row("ADJUST after a read of J(V) on the other port", Adjust, "read:J(V),com2,type:K,cancel",
            adjustArmed("K", adjustNote, "ADJ/FPU.D3T", "").replace("COM1 — /dev/ttyS0", "COM2 — /dev/ttyS1") +
                "; Idle; AdjustPrg 1");
        row("ADJUST after an unanswered type query, Japanese", Adjust, "ja,read:,type:E2,cancel",
            adjustArmed("J(V)", "調整ﾌｧｲﾙ: ADJ/FPU.D3T — ﾀｲﾌﾟ E2（手動で選択）", "ADJ/FPU.D3T", "") +
                "; Idle; AdjustPrg 1");
        row("settings write", Write, "", writeReport + ok + "; Idle; MenuData 2");
        // The channels are written even when the menus failed.
        row("settings write, menus fail", Write, "fncMenuWrite", writeReport + failed + "; Idle; MenuData 2");
        row("settings write, file not loaded", Write, "fncImportCsvFile",
            writeImport + "; Preparing 120/-/154/140" + writeFile + ' ' + notPrepared + "; Idle; MenuData 2");
        row("settings write, dialog cancelled", Write, "cancel dialog", write + "; Idle; MenuData 2");
        row("settings write, cancelled when armed", Write, "cancel", writeArmed + "; Idle; MenuData 2");
        row("settings read", Read, "", readRun + " ExportCsvFile chosen" + readReport + ok + "; Idle");
        // The channels are read even when the menus failed; nothing is saved after a failed read.
        for (const QString failing : {"fncMenuRead", "fncMemoryChennelRead"})
            row("settings read, " + failing + " fails", Read, failing, readRun + readReport + failed + "; Idle");
        // No answer to the type query: no type stays on the label, and nothing more is asked.
        row("settings read after a read of K, type query unanswered", Read, "read:K,silent",
            "Preparing 121/-/123/139 [Type K] save 129 csv; Armed 121/-/145/139 file chosen [Type K]" + readFile +
                "; Running 121/-/145/139 file chosen [Type K]" + readFile +
                " bar 730 TypeRead; Reporting 121/-/145/139 file chosen" + readFile +
                " critical Error!!: Failure (the radio did not answer the type query); Idle");
        row("settings read, dialog cancelled", Read, "cancel dialog", read + "; Idle");
        row("settings read, cancelled when armed", Read, "cancel", readArmed + "; Idle");
    }

    void actionsFollowTheStateTable()
    {
        QFETCH(Action, action);
        QFETCH(bool, byMenu);
        QFETCH(QString, how);
        QFETCH(QString, path);
        const QStringList steps = how.split(',');
        AppHarness h(steps.contains("ja") ? Language::Japanese : Language::English);
        h.addDeliveredFiles();
        QVERIFY(!steps.contains("no loader") || QFile::remove(h.path("7730F.REL")));
        h.operations.withoutRadio = true;
        QVERIFY(h.start());
        // Tables an earlier import filled: 3 boot-loader rows, 2 menu rows and 3 channel rows, two of which agree.
        const QString record = "(%1,'S2','14','000000','00','00','00')", zeros = QString(",'0'").repeated(14);
        QSqlQuery sql(h.window().WorkConnection());
        for (const QString &insert :
             {"BootPrg VALUES " + record.arg(1) + ',' + record.arg(2) + ',' + record.arg(3),
              "UserPrg VALUES " + record.arg(1), "AdjustPrg VALUES " + record.arg(1),
              "MemoryData VALUES ('0','001'" + zeros + "),('1','001'" + zeros + "),('0','002'" + zeros + ')',
              QString("MenuData VALUES ('A','001','00','0','0','1'),('A','002','00','0','0','1')")})
            QVERIFY(sql.exec("INSERT INTO " + insert));
        const QString data = QDir(UserFolders::data()).filePath("ADJ");
        QVERIFY(QDir().mkpath(data));
        for (const QString &file : QDir(h.path("ADJ")).entryList(QDir::Files))
            QVERIFY(!steps.contains("in data") || QFile::rename(h.path("ADJ/" + file), data + '/' + file));
        QVERIFY(!steps.contains("nowhere") || QDir(h.path("ADJ")).removeRecursively());
        if (const QString read = steps.filter("read:").value(0); !read.isEmpty()) {
            h.operations.typeText = read.mid(5);
            h.dialogs.files = QStringList{h.path("read.csv")};
            h.ui().cmdMRead->click();
            h.ui().cmdExec->click();
        }
        if (steps.contains("com2"))
            h.ui().mnuMenu312->trigger();
        if (steps.contains("silent"))
            h.operations.typeText.clear();
        for (const QString &type : steps.filter("type:"))
            h.dialogs.types << type.mid(5);
        h.operations.failing = steps; // only operations' names among them count
        if (!steps.contains("cancel dialog"))
            h.dialogs.files = QStringList{h.path("chosen")};

        QStringList trace;
        QString last;
        auto clean = [&](QString text) { // places and times as the rows give them
            return text.replace(h.folder() + '/', "")
                .replace(UserFolders::data(), "DATA")
                .replace(QRegularExpression("\\d\\d:\\d\\d"), "HH:MM");
        };
        auto note = [&](const QString &what) {
            if (const QString now = clean(h.state()); trace.isEmpty() || now != last)
                trace << (last = now);
            if (!what.isEmpty())
                trace.last() += ' ' + clean(what);
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
        if (steps.contains("cancel"))
            h.ui().cmdCancel->click();
        else if (h.ui().cmdExec->isEnabled())
            h.ui().cmdExec->click();
        note({});
        // A refused image is emptied; anything else keeps what was imported.
        const QString table = QStringList{"UserPrg", "AdjustPrg", "MenuData", ""}[int(action)];
        if (!table.isEmpty() && sql.exec("SELECT COUNT(*) FROM " + table) && sql.next())
            trace << table + ' ' + sql.value(0).toString();
        QCOMPARE(trace, path.split("; "));
    }

    // Start-up (the boot loader beside the program, else in the per-user data folder), the
    // idle window's menus (port, devices, About, help) and shut-down.
    void idleWindow_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("stored"); // the port choice
        QTest::addColumn<QString>("loader"); // where the boot loader lies
        QTest::addColumn<QString>("opener"); // what the desktop's xdg-open does, or the page "missing"
        // What stands in the database's place, or the lock a process that is not this user's Brisk left.
        QTest::addColumn<QString>("leftover");
        auto row = [](const char *name, Language l, const char *stored, const char *loader, const char *opener,
                      const char *leftover) {
            QTest::newRow(name) << l << QString(stored) << QString(loader) << QString(opener) << QString(leftover);
        };
        row("no port setting, no opener", Language::English, "", "beside", "", "file");
        row("COM1, loader in the data folder, no browser, Japanese", Language::Japanese, "1", "data", "/bin/false",
            "link");
        row("COM2, loader in both, the desktop shows help", Language::English, "2", "both", "/bin/true",
            "lock of another program");
        row("anything else, no loader, no page, Japanese", Language::Japanese, "x", "nowhere", "missing",
            "lock from another host");
    }

    void idleWindow()
    {
        QFETCH(Language, language);
        QFETCH(QString, stored);
        QFETCH(QString, loader);
        QFETCH(QString, opener);
        QFETCH(QString, leftover);
        const bool japanese = language == Language::Japanese, com1 = stored == "" || stored == "1";
        QCOMPARE(StringTable::languageOf(QLocale(japanese ? QLocale::Japanese : QLocale::German)), language);
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "BriskHx7730");
        if (!stored.isEmpty())
            settings.setValue("Settings/Serial", stored);
        AppHarness h(language);
        // A simulated radio's pty stands in for a USB adapter, with a stable name of its own.
        SimulatedRadio radio;
        QTemporaryDir byId;
        const QString pty = radio.line().start() ? radio.line().devicePath() : "", stable = byId.filePath("usb-0");
        QVERIFY(QFile::link(pty, stable) && SerialPorts::stableNameOf(pty, byId.path()) == stable);
        h.serialPorts = [&] { return QList<SerialPortEntry>{{pty, "USB UART", "", "", stable}}; };
        const QString db = h.path("tst_frmmain.mdb"), elsewhere = h.path("elsewhere");
        QProcess other;
        other.start("sleep", {"600"});
        const auto stopOther = qScopeGuard([&] { other.kill(), other.waitForFinished(); });
        const QString lock = leftover == "lock of another program"
                                 ? QString("%1\nsleep\n%2\n").arg(other.processId()).arg(QSysInfo::machineHostName())
                                 : "1\nBriskHx7730\nanother-host\n";
        QVERIFY(other.waitForStarted() && SRecordFiles::writeFile(db, "left behind by a crash"));
        QVERIFY(leftover != "link" || (QFile::remove(db) && QFile::link(elsewhere, db)));
        QVERIFY(!leftover.startsWith("lock") || SRecordFiles::writeFile(db + ".lock", lock.toUtf8()));
        h.addDeliveredFiles();
        const QString beside = h.path("7730F.REL"), inData = QDir(UserFolders::data()).filePath("7730F.REL");
        QVERIFY(loader == "beside" || loader == "nowhere" ||
                (QDir().mkpath(UserFolders::data()) && QFile::copy(beside, inData)));
        QVERIFY(loader == "beside" || loader == "both" || QFile::remove(beside));
        h.operations.withoutRadio = true;
        QVERIFY2(h.start(), qPrintable(h.dialogs.shown.join('|')));
        QVERIFY(!QFileInfo(db).isSymLink() && !QFileInfo::exists(elsewhere));

        const MainControls &c = h.ui();
        QCOMPARE(h.state() + ' ' + h.window().windowTitle() + c.lblType->text(), QString("Idle Q41-2290-07"));
        // Each menu and button carries its own entry of the string table.
        const std::pair<QObject *, int> captions[] = {{c.mnuMenu1->menuAction(), 102},
                                                      {c.mnuMenu11, 106},
                                                      {c.mnuMenu12, 107},
                                                      {c.mnuMenu2->menuAction(), 103},
                                                      {c.mnuMenu21, 108},
                                                      {c.mnuMenu22, 109},
                                                      {c.mnuMenu3->menuAction(), 131},
                                                      {c.mnuMenu31->menuAction(), 132},
                                                      {c.mnuMenu311, 133},
                                                      {c.mnuMenu312, 134},
                                                      {c.mnuMenu4, 135},
                                                      {c.mnuMenu5, 105},
                                                      {c.cmdExec, 139},
                                                      {c.cmdCancel, 115},
                                                      {c.cmdMRead, 137},
                                                      {c.cmdAdjust, 119},
                                                      {c.cmdUser, 118},
                                                      {c.cmdMWrite, 138}};
        for (const auto &[control, id] : captions)
            QVERIFY2(control->property("text").toString() == h.texts(id), qPrintable(QString::number(id)));
        QCOMPARE(h.operations.calls.join(""),
                 loader == "nowhere" ? "" : "fncImportMotFile " + (loader == "data" ? inData : beside));
        QCOMPARE(h.window().settingsText(), QString("COM%1: baud=9600 parity=n data=8 stop=1").arg(com1 ? 1 : 2));
        for (bool chooseCom1 : {!com1, com1}) { // stored the moment it is chosen
            (chooseCom1 ? c.mnuMenu311 : c.mnuMenu312)->trigger();
            settings.sync();
            QCOMPARE(settings.value("Settings/Serial").toString(), QString(chooseCom1 ? "1" : "2"));
            QCOMPARE(c.mnuMenu311->isChecked() + 2 * c.mnuMenu312->isChecked(), chooseCom1 ? 1 : 2);
        }
        // The devices COM1 and COM2 stand for: the stable name offered, and marked when it is held by another
        // program (in the Japanese rows) or, for COM2, unplugged.
        settings.setValue("Ports/COM2", h.path("unplugged"));
        QSerialPort holder(pty);
        QVERIFY(!japanese || holder.open(QIODevice::ReadWrite));
        QTimer::singleShot(0, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            auto *com1 = dialog->findChild<QComboBox *>("cboCom1");
            h.dialogs.shown << dialog->windowTitle() + ": " + com1->currentText() + ", " + com1->itemText(0);
            com1->setCurrentIndex(0);
            emit com1->activated(0);
            for (const char *mark : {"lblCom1State", "lblCom2State"})
                h.dialogs.shown.last() += " [" + dialog->findChild<QLabel *>(mark)->text() + ']';
            dialog->findChild<QPushButton *>(japanese ? "cmdCancel" : "cmdOK")->click();
        });
        c.mnuMenu313->trigger();
        holder.close();
        const QString device = japanese ? "/dev/ttyS0" : stable;
        QCOMPARE(SerialPorts::mappedDevice("COM1") + ' ' + SerialPorts::mappedDevice("COM2") + ' ' +
                     c.mnuMenu311->toolTip(),
                 device + ' ' + h.path("unplugged") + ' ' + device);
        // The status line names the port in use by its device and what the system calls it.
        QVERIFY(!com1 || c.lblStatus->text() ==
                             (japanese ? "ﾎﾟｰﾄ: COM1 — " : "Port: COM1 — ") + device + (japanese ? "" : ", USB UART"));
        clsBriskHx7730 link; // COM1 now reaches the radio
        QString p1, p2;
        QVERIFY(japanese || (link.CommOpen(QLatin1String(SettingsCom1)) && link.TyRead(p1, p2)));
        link.CommClose();
        QTimer::singleShot(0, [&] {
            QWidget *about = QApplication::activeModalWidget();
            h.dialogs.shown << about->windowTitle();
            for (QLabel *label : about->findChildren<QLabel *>()) // the icon, the title, version and date
                h.dialogs.shown.last() += '|' + (label->pixmap().isNull() ? label->text() : "icon");
            about->findChild<QPushButton *>("cmdOK")->click();
        });
        c.mnuMenu5->trigger();
        // The help page of the language, in the desktop's viewer or else in the program's own.
        QTemporaryDir bin;
        const QString page = h.path(japanese ? "HELP/help_j.htm" : "HELP/help_e.htm"), path = qgetenv("PATH");
        if (opener != "missing")
            h.writeFile(page.mid(h.folder().size() + 1), "<html><head><title>Usage</title></head><body>Read.</body>");
        QVERIFY(!opener.startsWith('/') || QFile::link(opener, bin.filePath("xdg-open")));
        qputenv("PATH", bin.path().toUtf8());
        c.mnuMenu4->trigger();
        qputenv("PATH", path.toUtf8());
        QTRY_VERIFY(!h.window().findChild<QProcess *>("helpOpener"));
        const frmHelp *help = h.window().findChild<frmHelp *>();
        QCOMPARE(help ? help->windowTitle() + ": " + help->findChild<QTextBrowser *>("txtHelp")->toPlainText() : "",
                 opener.isEmpty() || opener == "/bin/false" ? "Usage: Read." : "");
        if (help) { // Esc or Ctrl+W closes it
            QTest::keyClick(help->findChild<QTextBrowser *>("txtHelp"), japanese ? Qt::Key_W : Qt::Key_Escape,
                            japanese ? Qt::ControlModifier : Qt::NoModifier);
            QVERIFY(!help->isVisible());
        }

        QCOMPARE(h.dialogs.shown.join("\n"),
                 (loader == "nowhere"
                      ? QString("critical Error!!: '7730F.REL' Not Found !! (") +
                            (japanese ? "探した場所" : "Looked for it in") + ":\n" + beside + "\n" + inData + ")\n"
                      : "") +
                     (japanese ? "ｼﾘｱﾙﾎﾟｰﾄ ﾃﾞﾊﾞｲｽ" : "Serial Port Devices") + QString(": /dev/ttyS0, ") + stable +
                     (japanese ? " [使用中] [見つかりません]\n" : " [] [missing]\n") +
                     "Q41-2290-07 - Version infomation|icon|Q41-2290-07|Version 1.00|DEC 20 2000\ndocument " + page);
        QCOMPARE(h.state(), QString("Idle"));
        // One window at a time: a second finds the database locked and leaves it alone; a window that
        // cannot make its database does not start, and does not say another one runs (in Japanese
        // while the first window's translations are installed).
        AppHarness second, blocked;
        second.workFolder = h.folder();
        QVERIFY(QDir().mkpath(blocked.path("tst_frmmain.mdb/inside")) && !second.startScripted() &&
                !blocked.startScripted());
        QCOMPARE(second.dialogs.shown.value(0).section(" (", 0, 0) + ", " +
                     blocked.dialogs.shown.value(0).section(" (", 0, 0),
                 japanese ? "critical Error!!: Brisk for HX-7730 はすでに起動しています。, critical Error!!: "
                            "作業用ﾃﾞｰﾀﾍﾞｰｽを作成できません。"
                          : "critical Error!!: Brisk for HX-7730 is already running., critical Error!!: The working "
                            "database cannot be created.");
        QVERIFY(second.operations.calls.isEmpty() && blocked.operations.calls.isEmpty());
        second.destroyWindow();
        QVERIFY(QFile::exists(db));
        QVERIFY(h.window().close());
        QVERIFY(!QFile::exists(db) && !QFile::exists(db + ".lock"));
    }

    // The desktop's own boxes and file dialogs: a reason in sight beneath "Failure", the trail
    // behind "Show Details...", "ALL FILE(*.*)" listing every name, ".csv" added to a bare name.
    void desktopDialogs()
    {
        QTemporaryDir folder;
        for (const char *name : {"radio.csv", "gui_read"})
            QVERIFY(SRecordFiles::writeFile(folder.filePath(name), "EX,A,001,00,0,0,1\r\n"));
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "BriskHx7730")
            .setValue("Dialogs/LastFolder", folder.path());
        const QString reason =
            QString("the radio stayed silent after frame 17 of block 3: check the cable ").repeated(5);
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            auto *label = box->findChild<QLabel *>("qt_msgbox_informativelabel");
            const int lines = label->heightForWidth(label->width()) / label->fontMetrics().lineSpacing();
            seen << box->text() + '|' + label->text() + '|' + box->detailedText() +
                        QString("|visible %1, %2 lines").arg(label->isVisible()).arg(lines <= 6);
            box->accept();
        });
        DesktopDialogs dialogs;
        dialogs.message(nullptr, "Failure", OperatorDialogs::Icon::Critical, "Error!!", reason, "Port: COM1");
        QCOMPARE(seen.value(0), "Failure|" + reason + '|' + "Port: COM1|visible 1, 1 lines");
        for (const bool save : {false, true}) {
            QTimer::singleShot(0, [&] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                dialog->findChild<QComboBox *>("fileTypeCombo")->setCurrentIndex(1);
                const auto *files = dialog->findChild<QFileSystemModel *>();
                const QModelIndex listing = files->index(folder.path());
                const bool listed = QTest::qWaitFor([&] {
                    for (int row = 0; row < files->rowCount(listing); ++row)
                        if (files->index(row, 0, listing).data().toString() == "gui_read")
                            return true;
                    return false;
                });
                dialog->findChild<QLineEdit *>("fileNameEdit")->setText("gui_read");
                listed ? static_cast<QDialog *>(dialog)->accept() : dialog->reject(); // as OK or Cancel do
            });
            const QString filter = "CSV FILE (*.csv)|*.csv|ALL FILE(*.*)|*.*";
            seen << QFileInfo(save ? dialogs.chooseFileToSave(nullptr, "t", filter)
                                   : dialogs.chooseFileToOpen(nullptr, "t", filter))
                        .fileName();
        }
        QCOMPARE(seen.mid(1), QStringList({"gui_read", "gui_read.csv"}));
    }

    // SIGTERM, SIGINT and SIGHUP end the window in every state outside a run as its close
    // would: a box or file dialog open is cancelled, an import finishes first, and the
    // working database and its lock go. A signal at start-up means the window does not start.
    void endsOnASignal_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("signal");
        QTest::newRow("start-up box, SIGTERM") << "start-up box" << SIGTERM;
        QTest::newRow("a real start-up box, SIGHUP") << "real start-up box" << SIGHUP;
        QTest::newRow("idle, SIGINT") << "idle" << SIGINT;
        QTest::newRow("file dialog open, SIGHUP") << "file dialog" << SIGHUP;
        QTest::newRow("importing, SIGTERM") << "importing" << SIGTERM;
        QTest::newRow("armed, SIGINT") << "armed" << SIGINT;
        QTest::newRow("result box open, SIGHUP") << "result box" << SIGHUP;
    }

    void endsOnASignal()
    {
        QFETCH(QString, state);
        QFETCH(int, signal);
        AppHarness h;
        h.addDeliveredFiles();
        h.operations.withoutRadio = true;
        const bool startUp = state.endsWith("start-up box");
        QVERIFY(!startUp || QFile::remove(h.path("7730F.REL")));
        const auto raise = [&] { ::raise(signal), QCoreApplication::processEvents(); };
        int boxResult = -1;
        h.dialogs.onMessage = [&] {
            if (state == "real start-up box") {
                QMessageBox box;
                QTimer::singleShot(0, [&] { ::raise(signal); });
                QTimer::singleShot(60'000, &box, [&] { box.done(2); }); // a box left open fails the row
                boxResult = box.exec();
            } else if (state == "start-up box" || state == "result box") {
                raise();
            }
        };
        h.dialogs.onFileDialog = [&](const QString &) { state == "file dialog" ? raise() : void(); };
        h.operations.onCall = [&](const QString &call) { call.contains("ImportFirmware") ? raise() : void(); };
        if (state != "file dialog")
            h.dialogs.files = QStringList{h.path("ADJ/FPU.D3T")};

        QCOMPARE(h.start(), !startUp);
        if (state == "idle" || state == "armed" || state == "result box")
            state == "idle" ? raise() : h.trigger(state == "armed" ? Action::User : Action::SettingsRead);
        if (state == "armed")
            raise();
        if (state == "result box")
            h.ui().cmdExec->click();
        else if (state == "file dialog" || state == "importing")
            h.trigger(Action::User);

        QTRY_VERIFY(!QFile::exists(h.path("tst_frmmain.mdb")));
        QVERIFY(!QFile::exists(h.path("tst_frmmain.mdb.lock")) && !h.window().isVisible());
        QCOMPARE(boxResult, state == "real start-up box" ? int(QDialog::Rejected) : -1);
    }

    // Every entry, 101 to 154, as the CRC-16 of its English and Japanese texts: a
    // changed character in either names its entry.
    void textsOfBothLanguages()
    {
        const QString expected = "5ee1e1ef023c4993a9b1090232e7361f13e2be45331d64aa4993499391304993735b17fcaa18a0de4ae3d"
                                 "0ffc34a49934993499349934993c3c84993c0ba7fb2b46e8a88184feed0b4fd2940392f28bb49938ebc49"
                                 "93a6f8f995b8ab856ff7b59b9414c5d71f2f7a8e60a941";
        const StringTable en(Language::English), ja(Language::Japanese);
        QStringList changed;
        for (int id = 101; id <= 154; ++id) {
            const QString entry = en(id) + '|' + ja(id);
            const QString crc = QString("%1").arg(qChecksum(entry.toUtf8()), 4, 16, QChar('0'));
            if (crc != expected.mid(4 * (id - 101), 4))
                changed << QString::number(id) + " now " + crc + ": " + entry;
        }
        QVERIFY2(expected.size() == 4 * 54 && changed.isEmpty(), qPrintable(changed.join('\n')));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
