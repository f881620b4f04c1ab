// Shows the window in its states on the screen it runs on and saves each as a PNG in the
// folder given: idle, armed, during a write, the About window, the Devices dialog and the
// help page in the program's own viewer, a failure box with its details shown, the type
// dialog and the armed ADJUST screen. The language follows the locale, as
// in the program. Run by scripts/screenshots.sh under Xvfb.
#include "AppHarness.h"

#include "app/frmHelp.h"
#include "app/frmRadioType.h"
#include "store/FirmwareFiles.h"

#include <QMessageBox>
#include <QScreen>

static QString out; // FOLDER/%1-en.png or -ja, with BRISK_SHOT_SUFFIX
static bool saved = true;

static void shoot(QWidget *window, const QString &name)
{
    saved = QTest::qWaitForWindowExposed(window) && saved;
    QTest::qWait(100); // let it paint
    const QRect frame = window->frameGeometry();
    saved = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(out.arg(name)) &&
            saved;
}

// Photographs the next modal window when it is up, a box with its details shown unless
// asked otherwise, then closes it.
static void shootNextModal(const QString &name, bool details = true)
{
    QTimer::singleShot(200, [name, details] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && details)
            for (QAbstractButton *button : box->buttons())
                if (box->buttonRole(button) == QMessageBox::ActionRole) // "Show Details..."
                    button->click();
        shoot(modal, name);
        modal->close();
    });
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppHarness::useTemporarySettings();
    AppHarness h(StringTable::systemLanguage()); // as the program picks it
    out = QString(argc > 1 ? argv[1] : ".") + (h.texts(136) == "help_j.htm" ? "/%1-ja" : "/%1-en") +
          qEnvironmentVariable("BRISK_SHOT_SUFFIX") + ".png";
    h.serialPorts = [] { return QList<SerialPortEntry>{{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3V2Q", ""}}; };
    SerialPorts::setMappedDevice("COM1", "/dev/ttyUSB0");
    if (!h.startScripted())
        return 1;
    shoot(&h.window(), "1-idle");
    h.dialogs.files = QStringList{h.path("USER.mot")};
    h.ui().cmdUser->click();
    shoot(&h.window(), "2-armed-user");
    h.operations.onCall = [&](const QString &call) {
        h.window().barMain().setValue(h.ui().barMain->maximum() * 2 / 5);
        if (call.startsWith("fncTransmitProgram"))
            shoot(&h.window(), "3-writing-user");
    };
    h.ui().cmdExec->click();
    shootNextModal("4-about");
    h.ui().mnuMenu5->trigger();
    shootNextModal("5-devices");
    h.ui().mnuMenu313->trigger();
    showHelpWindow(&h.window(), QDir(QCoreApplication::applicationDirPath()).filePath("HELP/" + h.texts(136)));
    shoot(h.window().findChild<frmHelp *>(), "6-help-viewer");
    h.window().findChild<frmHelp *>()->close();
    // The box a start-up without the boot loader shows: the places searched as its details.
    shootNextModal("7-not-found-details");
    const FirmwareFile loader{
        {}, {"/opt/brisk-hx7730/7730F.REL", QDir::homePath() + "/.local/share/BriskHx7730/7730F.REL"}};
    DesktopDialogs().message(&h.window(), "'7730F.REL' Not Found !!", OperatorDialogs::Icon::Critical, "Error!!",
                             loader.searchedText(), {});
    // ADJUST without a type read from the radio: the type dialog, then the screen armed with
    // the type chosen, naming the file and where the type came from.
    frmRadioType types(h.texts(142), &h.window());
    types.show();
    shoot(&types, "8-type-dialog");
    types.close();
    h.dialogs.types = QStringList{h.texts(142)};
    h.ui().cmdAdjust->click();
    shoot(&h.window(), "9-armed-adjust");
    h.ui().cmdCancel->click();
    // A settings read with the real operations and no adapter plugged in: the reason in
    // sight beneath "Failure".
    h.operations.withoutRadio = false;
    h.dialogs.files = QStringList{h.path("radio.csv")};
    h.ui().cmdMRead->click();
    h.dialogs.realBoxes = true;
    shootNextModal("10-failure", false);
    h.ui().cmdExec->click();
    return saved ? 0 : 1;
}
