// Shows the window in its states on the screen it runs on and saves each as a PNG in the
// folder given: idle, armed, during a write, the About window, a "Not Found" box with its
// details open, the Devices dialog and the help page in the program's own viewer. The
// language follows the locale, as in the program. Run by scripts/screenshots.sh under Xvfb.
#include "AppHarness.h"

#include "app/QtTranslations.h"
#include "app/frmHelp.h"

#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

static QString outFolder, suffix; // "-en" or "-ja", and BRISK_SHOT_SUFFIX
static bool saved = true;

static void shoot(QWidget *window, const QString &name)
{
    saved = QTest::qWaitForWindowExposed(window) && saved;
    QTest::qWait(100); // let it paint
    const QRect frame = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    saved = shot.save(QDir(outFolder).filePath(name + suffix + ".png")) && saved;
}

// Photographs the next modal window when it is up, with a box's details open, then closes it.
static void shootNextModal(const QString &name)
{
    QTimer::singleShot(200, [name] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal))
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
    installQtTranslations(h.texts.language());
    outFolder = argc > 1 ? argv[1] : ".";
    suffix = (h.texts(136) == "help_j.htm" ? "-ja" : "-en") + qEnvironmentVariable("BRISK_SHOT_SUFFIX");
    h.serialPorts = [] {
        return QList<SerialPortEntry>{{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3V2Q",
                                       "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3V2Q-if00-port0"}};
    };
    if (!h.startScripted())
        return 1;
    shoot(&h.window(), "1-idle");
    h.dialogs.files = QStringList{h.path("USER.mot")};
    h.ui().cmdUser->click();
    shoot(&h.window(), "2-armed-user");
    h.operations.replaced["fncTransmitProgram"] = [&] {
        h.window().barMain().setValue(h.ui().barMain->maximum() * 2 / 5);
        shoot(&h.window(), "3-writing-user");
        return true;
    };
    h.ui().cmdExec->click();
    shootNextModal("4-about");
    h.ui().mnuMenu5->trigger();
    QDir(h.path("ADJ")).removeRecursively();
    DesktopDialogs desktop;
    h.dialogs.showMessages = &desktop;
    shootNextModal("5-not-found-details");
    h.ui().cmdAdjust->click();
    shootNextModal("6-devices");
    h.ui().mnuMenu313->trigger();
    showHelpWindow(&h.window(), QDir(QCoreApplication::applicationDirPath()).filePath("HELP/" + h.texts(136)));
    shoot(h.window().findChild<frmHelp *>(), "7-help-viewer");
    return saved ? 0 : 1;
}
