// The window's four actions end to end: the real operations against the simulated
// radio on COM1, under the faults of the radio, the line and the files. Each row names
// the box the operator must see; every row ends with the window idle and the port free,
// and every run leaves its service record.
#include "AppHarness.h"
#include "LinkTestCase.h"
#include "ServiceRecords.h"

#include "sim/FirmwareRadio.h"
#include "sim/NormalRadio.h"
#include "sim/SimRadio.h"

#include <QTest>

using namespace std::chrono_literals;

enum class Fault { None, Silent, LineGone, PortHeld, DamagedFile, OutputFolderMissing };

class tst_WindowFaults : public LinkTestCase
{
    Q_OBJECT

public:
    tst_WindowFaults() : LinkTestCase(500ms) {}

private slots:
    void initTestCase() { AppHarness::useTemporarySettings(); }

    void actionUnderFault_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("box"); // the box's text
        const std::pair<const char *, Action> actions[] = {{"USER", Action::User},
                                                           {"ADJUST", Action::Adjust},
                                                           {"settings read", Action::SettingsRead},
                                                           {"settings write", Action::SettingsWrite}};
        for (const auto &[name, action] : actions) {
            QTest::addRow("%s, no fault", name) << action << Fault::None << "Success";
            // A settings write is confirmed by the radio's type answers: silence fails it too.
            QTest::addRow("%s, radio silent", name) << action << Fault::Silent << "Failure";
            QTest::addRow("%s, line gone", name) << action << Fault::LineGone << "Failure";
            QTest::addRow("%s, port held by another program", name) << action << Fault::PortHeld << "Failure";
        }
        QTest::addRow("USER, damaged file") << Action::User << Fault::DamagedFile << "\rFailure\r";
        QTest::addRow("settings write, damaged file") << Action::SettingsWrite << Fault::DamagedFile << "\rFailure\r";
        // Refused when the file is chosen, before the radio is asked anything.
        QTest::addRow("settings read, folder missing")
            << Action::SettingsRead << Fault::OutputFolderMissing << "\rFailure\r";
    }

    void actionUnderFault()
    {
        QFETCH(Action, action);
        QFETCH(Fault, fault);
        QFETCH(QString, box);
        const bool firmware = action == Action::User || action == Action::Adjust;
        AppHarness h;
        h.addDeliveredFiles();
        QByteArray user = AppHarness::image(7);
        // A digit of the first data record changed; a leading zero stripped, as a spreadsheet does.
        if (fault == Fault::DamagedFile)
            user[200] = user[200] == '0' ? '1' : '0';
        h.writeFile("USER.mot", user);
        h.writeFile("radio.csv", fault == Fault::DamagedFile
                                     ? "MR,0,0,0,14500000000,0,0,0,00,00,000,0,0,000000000,00,0,\r\n"
                                     : "MR,0,0,00,14500000000,0,0,0,00,00,000,0,0,000000000,00,0,"
                                       "NAME\r\nEX,A,001,00,0,0,1\r\n");
        QVERIFY(h.start());
        const qsizetype records = serviceRecords().size();

        sim::SimOptions options;
        options.faults.silenceFrom = fault == Fault::Silent ? 1 : 0;
        options.faults.closeAt = fault == Fault::LineGone ? 3 : 0;
        auto normal = std::make_unique<sim::NormalRadio>(1);
        normal->setTypeFields("001"); // J(S) with the EXT unit
        std::unique_ptr<sim::Personality> personality = std::move(normal);
        sim::SimRadio radio(firmware ? std::make_unique<sim::FirmwareRadio>() : std::move(personality), options);
        QVERIFY(radio.start());
        clsBriskHx7730::setPortOverride("COM1", radio.devicePath());
        clsBriskHx7730 holder;
        QVERIFY(fault != Fault::PortHeld || holder.CommOpen(SettingsCom1));
        const QString file = h.path(QStringList{"USER.mot", "", "radio.csv", "read.csv"}[int(action)]);
        h.dialogs.files = QStringList{fault == Fault::OutputFolderMissing ? h.path("absent/read.csv") : file};
        h.trigger(action);
        if (h.ui().cmdExec->isEnabled())
            h.ui().cmdExec->click();

        // A failure box says why in its details; an ADJUST write's box names its file.
        const QString adjust = action == Action::Adjust ? "ADJUST file: " + h.path("ADJ/FPU.D3T") : QString();
        const QRegularExpression expected(box == "Success" ? "^Infomation: Success" +
                                                                 (adjust.isEmpty() ? "" : " \\(" + adjust + "\\)") + "$"
                                                           : "^critical Error!!: " + box + R"( \(.+)" + adjust + "\\)$",
                                          QRegularExpression::DotMatchesEverythingOption);
        QCOMPARE(h.dialogs.shown.size(), 1);
        QVERIFY2(expected.match(h.dialogs.shown[0]).hasMatch(), qPrintable(h.dialogs.shown[0]));
        QVERIFY(h.isIdle());
        holder.CommClose();
        clsBriskHx7730 next;
        QVERIFY2(radio.lineClosed() || next.CommOpen(SettingsCom1), "the window let go of the port");
        QVERIFY2(action != Action::SettingsRead || box == "Success" || !QFile::exists(file),
                 "a failed read saves nothing");
        if (box == "\rFailure\r")
            QCOMPARE(radio.received(), QByteArray());

        // A run's record: what was done, how it ended, and for firmware what was sent.
        const QList<QJsonObject> log = serviceRecords();
        QCOMPARE(log.size(), records + (box == "\rFailure\r" ? 0 : 1));
        if (log.size() == records)
            return;
        const QStringList actions{"USER firmware write", "ADJUST firmware write", "settings write", "settings read"};
        QCOMPARE(log.last()["program"].toString() + ", " + log.last()["action"].toString() + ", " +
                     log.last()["result"].toString(),
                 "window, " + actions[int(action)] + ", " + box.toLower());
        const QByteArray image = SRecordFiles::randomBytes(256 * 1024, action == Action::User ? 7 : 1);
        radio.waitUntilIdle();
        radio.withPersonality([&](sim::Personality &p) {
            if (firmware && fault == Fault::None)
                QVERIFY(static_cast<sim::FirmwareRadio &>(p).memory() == image);
            if (action == Action::SettingsWrite && fault == Fault::None)
                QVERIFY(static_cast<sim::NormalRadio &>(p).channels().values().join(';').contains("NAME"));
        });
        if (firmware) {
            QCOMPARE(log.last()["imageSha256"].toString(), sha256Of(image));
            QCOMPARE(log.last()["loaderSha256"].toString(), sha256Of(SRecordFiles::randomBytes(2048, 99)));
        }
        if (action == Action::SettingsRead && fault == Fault::None)
            QCOMPARE(h.ui().lblType->text() + ", " + log.last()["radioType"].toString(), "Type J(S) - EXT, J(S) - EXT");
    }
};

QTEST_MAIN(tst_WindowFaults)
#include "tst_windowfaults.moc"
