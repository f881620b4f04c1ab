// The window's four actions under the faults of the radio and of their files:
// each row names what the operator must see, and every row ends with the window
// idle and the port free for the next action.
#include "AppHarness.h"
#include "LinkTestCase.h"

#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"
#include "sim/FirmwareRadio.h"
#include "sim/NormalRadio.h"
#include "sim/SimRadio.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

enum class Fault { None, Silent, LineGone, PortHeld, DamagedFile, OutputIsFifo, OutputFolderMissing };

const QByteArray GoodSettings = "MR,0,0,00,14500000000,0,0,0,00,00,000,0,0,000000000,00,0,\r\n"
                                "EX,A,001,00,0,0,1\r\n";
// A leading zero stripped, as a spreadsheet does.
const QByteArray DamagedSettings = "MR,0,0,0,14500000000,0,0,0,00,00,000,0,0,000000000,00,0,\r\n";

bool isFirmware(Action action)
{
    return action == Action::User || action == Action::Adjust;
}

std::unique_ptr<sim::Personality> radioFor(Action action)
{
    if (isFirmware(action))
        return std::make_unique<sim::FirmwareRadio>();
    return std::make_unique<sim::NormalRadio>(0);
}

} // namespace

class tst_WindowFaults : public LinkTestCase
{
    Q_OBJECT

public:
    tst_WindowFaults() : LinkTestCase(200ms) {}

private slots:
    void initTestCase() { useTemporarySettings(); }
    void actionUnderFault_data();
    void actionUnderFault();
};

void tst_WindowFaults::actionUnderFault_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("box"); // the box's text; "" for none

    const QString success = QStringLiteral("Success");
    const QString failure = QStringLiteral("Failure");
    const QString preparationFailed = QStringLiteral("\rFailure\r");
    const struct
    {
        const char *name;
        Action action;
    } actions[] = {{"USER", Action::User},
                   {"ADJUST", Action::Adjust},
                   {"settings read", Action::SettingsRead},
                   {"settings write", Action::SettingsWrite}};
    for (const auto &a : actions) {
        QTest::addRow("%s, no fault", a.name) << a.action << Fault::None << success;
        // A settings write is confirmed by the radio's type answers: silence fails it too.
        QTest::addRow("%s, radio silent", a.name) << a.action << Fault::Silent << failure;
        QTest::addRow("%s, line gone", a.name) << a.action << Fault::LineGone << failure;
        QTest::addRow("%s, port held by another program", a.name) << a.action << Fault::PortHeld << failure;
    }
    QTest::addRow("USER, damaged file") << Action::User << Fault::DamagedFile << preparationFailed;
    QTest::addRow("settings write, damaged file") << Action::SettingsWrite << Fault::DamagedFile << preparationFailed;
    // Refused when the file is chosen, before the radio is asked anything.
    QTest::addRow("settings read, a FIFO chosen") << Action::SettingsRead << Fault::OutputIsFifo << preparationFailed;
    QTest::addRow("settings read, folder missing")
        << Action::SettingsRead << Fault::OutputFolderMissing << preparationFailed;
}

void tst_WindowFaults::actionUnderFault()
{
    QFETCH(Action, action);
    QFETCH(Fault, fault);
    QFETCH(QString, box);

    AppHarness h;
    h.addDeliveredFiles();
    QByteArray image = makeImage(7);
    if (fault == Fault::DamagedFile)
        image.replace(200, 1, image.at(200) == '0' ? "1" : "0"); // a digit of the first data record
    h.writeFile("USER.mot", image);
    h.writeFile("radio.csv", fault == Fault::DamagedFile ? DamagedSettings : GoodSettings);
    QVERIFY(h.start());

    sim::SimOptions options;
    if (fault == Fault::Silent)
        options.faults.silenceFrom = 1;
    if (fault == Fault::LineGone)
        options.faults.closeAt = 3;
    sim::SimRadio radio(radioFor(action), options);
    QVERIFY(radio.start());
    clsBriskHx7730::setPortOverride(QStringLiteral("COM1"), radio.devicePath());
    clsBriskHx7730 holder;
    if (fault == Fault::PortHeld)
        QVERIFY(holder.CommOpen(QString::fromLatin1(SettingsCom1)));

    const QString file = action == Action::SettingsWrite       ? h.path("radio.csv")
                         : fault == Fault::OutputFolderMissing ? h.path("absent/read.csv")
                         : action == Action::SettingsRead      ? h.path("read.csv")
                                                               : h.path("USER.mot");
    if (fault == Fault::OutputIsFifo)
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    h.dialogs.files = QStringList{file};
    trigger(h, action);
    if (h.ui().cmdExec->isEnabled())
        h.ui().cmdExec->click();

    // A failure box says why; an ADJUST write's box names its file.
    const QString adjustFile = action == Action::Adjust ? QStringLiteral("ADJUST file: .*FPU\\.D3T") : QString();
    const QRegularExpression expected(
        box == QLatin1String("Success")
            ? "^Infomation: Success" + (adjustFile.isEmpty() ? "" : " \\(" + adjustFile + "\\)") + "$"
            : "^critical Error!!: " + QRegularExpression::escape(box) + R"( \(.+)" + adjustFile + "\\)$",
        QRegularExpression::DotMatchesEverythingOption);
    QCOMPARE(h.dialogs.shown.size(), 1);
    QVERIFY2(expected.match(h.dialogs.shown[0]).hasMatch(), qPrintable(h.dialogs.shown[0]));
    QVERIFY(h.isIdle());
    if (fault == Fault::OutputIsFifo)
        QVERIFY2(QFileInfo(file).exists() && !QFileInfo(file).isFile(), "the FIFO is left as it was");
    else if (action == Action::SettingsRead && box != QLatin1String("Success"))
        QVERIFY2(!QFile::exists(file), "a failed read writes no file");
    if (fault == Fault::OutputIsFifo || fault == Fault::OutputFolderMissing)
        QCOMPARE(radio.received(), QByteArray());
    holder.CommClose();
    if (!radio.lineClosed()) {
        clsBriskHx7730 next;
        QVERIFY2(next.CommOpen(QString::fromLatin1(SettingsCom1)), "the window let go of the port");
    }
}

QTEST_MAIN(tst_WindowFaults)
#include "tst_windowfaults.moc"
