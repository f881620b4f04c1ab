// The window's four actions end to end: the real operations against the simulated
// radio on COM1, under the faults of the radio, the line and the files. Each row names
// the box the operator must see; every row ends with the window idle and the port free,
// and every run leaves its service record.
#include "AppHarness.h"
#include "ServiceRecords.h"

#include <QJsonArray>

#include <csignal>

#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/FirmwareRadio.h"
#include "sim/NormalRadio.h"
#include "sim/SimRadio.h"

enum class Fault { None, Silent, LineGone, PortHeld, DamagedFile, OutputFolderMissing, Hole, Terminated };

class tst_WindowFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        AppHarness::useTemporarySettings();
        linkTiming().replyLimit = std::chrono::milliseconds(500);
    }

    void actionUnderFault_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("box"); // the box: its text, and for a failure the reason in its details
        const QString ok = "^Infomation: Success( \\(.+\\))?$", failed = "^critical Error!!: Failure \\(.+\\)$",
                      refused = "^critical Error!!: \rFailure\r \\(.+\\)$";
        const std::pair<const char *, Action> actions[] = {{"USER", Action::User},
                                                           {"ADJUST", Action::Adjust},
                                                           {"settings read", Action::SettingsRead},
                                                           {"settings write", Action::SettingsWrite}};
        for (const auto &[name, action] : actions) {
            // A settings file says what it does not hold.
            QTest::addRow("%s, no fault", name)
                << action << Fault::None
                << (action == Action::SettingsWrite ? "^Infomation: Success \\(the file holds 1 of the 600 channel "
                                                      "entries and 1 of the 200 menu entries; the radio keeps its own "
                                                      "for the rest\\)$"
                                                    : ok);
            // A settings write is confirmed by the radio's type answers: silence fails it too.
            QTest::addRow("%s, radio silent", name) << action << Fault::Silent << failed;
            QTest::addRow("%s, line gone", name) << action << Fault::LineGone << failed;
            QTest::addRow("%s, port held", name) << action << Fault::PortHeld << failed;
        }
        QTest::addRow("USER, damaged file") << Action::User << Fault::DamagedFile << refused;
        // A record missing from the image: written, its bytes 0xFF, and the box says where.
        QTest::addRow("USER, a hole in the image")
            << Action::User << Fault::Hole
            << "^Infomation: Success \\(the image has a gap below its last data byte, filled with 0xFF: "
               "0x000100-0x00010F \\(16 bytes\\)\\)$";
        QTest::addRow("settings write, damaged file") << Action::SettingsWrite << Fault::DamagedFile << refused;
        // The session ends during a write on a line at the radio's rate: the write stops at its next
        // poll, the window closes without a box, and the record says so.
        QTest::addRow("USER, SIGTERM during the write") << Action::User << Fault::Terminated << "^$";
        // Refused when the file is chosen, before the radio is asked anything.
        QTest::addRow("settings read, folder missing") << Action::SettingsRead << Fault::OutputFolderMissing << refused;
    }

    void actionUnderFault()
    {
        QFETCH(Action, action);
        QFETCH(Fault, fault);
        QFETCH(QString, box);
        const bool firmware = action == Action::User || action == Action::Adjust;
        AppHarness h;
        h.addDeliveredFiles();
        QByteArray user = AppHarness::image(7),
                   settings = "MR,0,0,00,14500000000,0,0,0,00,00,000,0,0,000000000,00,0,\r\nEX,A,001,00,0,0,1\r\n";
        if (fault == Fault::DamagedFile) { // a digit of a data record; a leading zero, as a spreadsheet strips it
            user[200] = user[200] == '0' ? '1' : '0';
            settings.remove(7, 1);
        }
        const qsizetype hole = user.indexOf("\nS214000100"); // the record of 0x000100 to 0x00010F
        if (fault == Fault::Hole)
            user.remove(hole, user.indexOf('\n', hole + 1) - hole);
        h.writeFile("USER.mot", user);
        h.writeFile("radio.csv", settings);
        QVERIFY(h.start());
        const qsizetype records = serviceRecords().size();
        // The loader replaced after start-up: the bytes imported then are what is sent and recorded.
        const QByteArray loader = SRecordFiles::readFile(h.path("7730F.REL"));
        h.writeFile("7730F.REL", AppHarness::image(98, 2048));
        h.dialogs.types = QStringList{"e2"};

        sim::SimOptions options;
        options.faults.silenceFrom = fault == Fault::Silent ? 1 : 0;
        options.faults.closeAt = fault == Fault::LineGone ? 3 : 0;
        options.baud = fault == Fault::Terminated ? 9600 : 0;
        if (fault == Fault::Terminated) // the window heeds the session's signals from its start
            h.operations.onCall = [](const QString &call) {
                if (call.startsWith("fncTransmitProgram"))
                    ::raise(SIGTERM);
            };
        std::unique_ptr<sim::Personality> normal = std::make_unique<sim::NormalRadio>(1);
        sim::SimRadio radio(firmware ? std::make_unique<sim::FirmwareRadio>() : std::move(normal), options);
        QVERIFY(radio.start());
        clsBriskHx7730::setPortOverride("COM1", radio.devicePath());
        clsBriskHx7730 holder;
        QVERIFY(fault != Fault::PortHeld || holder.CommOpen(SettingsCom1));
        const QString file = h.path(QStringList{"USER.mot", "", "radio.csv", "read.csv"}[int(action)]);
        h.dialogs.files = QStringList{fault == Fault::OutputFolderMissing ? h.path("absent/read.csv") : file};
        h.trigger(action);
        // Armed, the status line names the file the action will use.
        QVERIFY(!h.ui().cmdExec->isEnabled() || action == Action::Adjust ||
                h.ui().lblStatus->text().endsWith("File: " + QDir::toNativeSeparators(file)));
        if (h.ui().cmdExec->isEnabled())
            h.ui().cmdExec->click();

        // ADJUST without a type read from the radio asks for one, the default offered.
        QCOMPARE(h.dialogs.shown.removeAll("type dialog: K"), int(action == Action::Adjust));
        const QRegularExpression expected(box, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(expected.match(h.dialogs.shown.join('|')).hasMatch() && h.dialogs.shown.size() <= 1,
                 qPrintable(h.dialogs.shown.join('|')));
        QCOMPARE(h.state(), QString("Idle"));
        // The status line names the port and, while an action is prepared, its file.
        QVERIFY(h.ui().lblStatus->text().startsWith("Port: COM1 — " + radio.devicePath()));
        QTRY_COMPARE(h.window().isVisible(), fault != Fault::Terminated);
        // Stopped within a poll: the loader and at most the start of the first block went out.
        QVERIFY(fault != Fault::Terminated || radio.received().size() < 2048 + 200);
        holder.CommClose();
        clsBriskHx7730 next;
        QVERIFY2(radio.lineClosed() || next.CommOpen(SettingsCom1), "the window let go of the port");
        QVERIFY(action != Action::SettingsRead ||
                QFile::exists(file) == (fault == Fault::None)); // none after a failure
        QVERIFY(!box.contains('\r') || radio.received().isEmpty());
        // A radio that does not answer its type is asked nothing more, and no type is shown for it.
        if (action == Action::SettingsRead && fault == Fault::Silent)
            QCOMPARE(radio.received() + h.ui().lblType->text().toLatin1(), "AI0;TY;");

        // A run's record: what was done, how it ended, and for firmware the image as sent.
        const QList<QJsonObject> log = serviceRecords();
        QCOMPARE(log.size(), records + !box.contains('\r'));
        if (box.contains('\r'))
            return;
        const QJsonObject run = log.last();
        const QStringList name{"USER firmware write", "ADJUST firmware write", "settings write", "settings read"};
        QCOMPARE(run["program"].toString() + ", " + run["action"].toString() + ", " + run["result"].toString(),
                 "window, " + name[int(action)] +
                     (fault == Fault::Terminated ? ", stopped"
                      : box.startsWith("^Info")  ? ", success"
                                                 : ", failure"));
        QByteArray image = SRecordFiles::randomBytes(256 * 1024, action == Action::User ? 7 : 1);
        if (fault == Fault::Hole)
            image.replace(0x100, 16, QByteArray(16, char(0xFF)));
        QCOMPARE(run["imageSha256"].toString(), firmware ? sha256Of(image) : "");
        const QJsonObject loaderEntry = run["files"].toArray().at(0).toObject();
        QVERIFY(!firmware || loaderEntry["sha256"].toString() + loaderEntry["imported"].toString().left(2) ==
                                 sha256Of(loader) + "20");
        // The type and where it came from: the radio's answer, the operator's choice, or none known.
        const QString type = action == Action::Adjust           ? "E2 operator"
                             : fault != Fault::None || firmware ? " "
                                                                : "K radio";
        QVERIFY(fault == Fault::LineGone ||
                run["radioType"].toString() + ' ' + run["radioTypeSource"].toString() == type);
    }
};

QTEST_MAIN(tst_WindowFaults)
#include "tst_windowfaults.moc"
