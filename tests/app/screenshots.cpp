// Shows the window in its states on the screen it runs on and saves each as a PNG:
// idle, armed, during a write, a failure box, the About window, a "Not Found" box with
// its details open, the Devices dialog and the help page in the program's own viewer.
// The language follows the locale, as in the program. Run by scripts/screenshots.sh
// under Xvfb.
#include "AppHarness.h"

#include "app/QtTranslations.h"
#include "app/frmAbout.h"
#include "app/frmHelp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

QString outDir;
QString suffix;
int failures = 0;

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

void shoot(QWidget *window, const QString &name)
{
    settle();
    const QRect frame = window->frameGeometry();
    QPixmap shot = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = QDir(outDir).filePath(name + suffix + QStringLiteral(".png"));
    if (!shot.save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// Photographs the next modal window when it comes up, then closes it.
void shootNextModal(const QString &name, bool openDetails = false)
{
    QTimer::singleShot(200, [name, openDetails] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && openDetails)
            for (QAbstractButton *button : box->buttons())
                if (box->buttonRole(button) == QMessageBox::ActionRole)
                    button->click();
        shoot(modal, name);
        modal->close();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);
    useTemporarySettings();
    installQtTranslations(StringTable::systemLanguage());

    AppHarness h(StringTable::systemLanguage()); // as the program picks it
    h.serialPorts = [] {
        return QList<SerialPortEntry>{{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3V2Q",
                                       "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3V2Q-if00-port0"},
                                      {"/dev/ttyS0", "", "", "", ""}};
    };
    suffix = h.texts.language() == StringTable::Language::Japanese ? QStringLiteral("-ja") : QStringLiteral("-en");
    suffix += qEnvironmentVariable("BRISK_SHOT_SUFFIX");
    h.addDeliveredFiles();
    h.operations.succeedWithoutRadio();
    if (!h.start())
        return 1;
    h.window().move(40, 40);
    shoot(&h.window(), QStringLiteral("1-idle"));

    h.dialogs.files = QStringList{h.path("USER.mot")};
    h.ui().cmdUser->click();
    shoot(&h.window(), QStringLiteral("2-armed-user"));

    h.operations.replaced.insert(QStringLiteral("fncTransmitProgram"), [&] {
        ProgressSink &bar = h.window().barMain();
        bar.setValue(bar.value() + (h.ui().barMain->maximum() * 2) / 5);
        shoot(&h.window(), QStringLiteral("3-writing-user"));
        return true;
    });
    h.ui().cmdExec->click();

    h.dialogs.files = QStringList{h.path("settings.csv")};
    h.ui().cmdMRead->click();
    shoot(&h.window(), QStringLiteral("4-armed-read"));
    h.ui().cmdCancel->click();

    h.ui().cmdAdjust->click();
    shoot(&h.window(), QStringLiteral("5-armed-adjust"));
    h.ui().cmdCancel->click();

    DesktopDialogs desktop;
    shootNextModal(QStringLiteral("6-failure-box"));
    desktop.message(&h.window(), QStringLiteral("Failure"), OperatorDialogs::Icon::Critical, QStringLiteral("Error!!"),
                    QStringLiteral("no answer from the radio after block 3, frame 17"));

    shootNextModal(QStringLiteral("7-about"));
    h.ui().mnuMenu5->trigger();

    QFile::remove(h.path(QStringLiteral("ADJ/FPU_VJ.D3T")));
    QFile::remove(h.path(QStringLiteral("ADJ/FPU.D3T")));
    shootNextModal(QStringLiteral("8-not-found-details"), true);
    h.dialogs.showMessages = &desktop;
    h.ui().cmdAdjust->click();

    shootNextModal(QStringLiteral("9-devices"));
    h.ui().mnuMenu313->trigger();

    const QString help = QStringLiteral("HELP/") + h.texts(Txt::HelpPage);
    showHelpWindow(&h.window(), QDir(QCoreApplication::applicationDirPath()).filePath(help));
    auto *viewer = h.window().findChild<frmHelp *>();
    viewer->move(80, 60);
    if (!QTest::qWaitForWindowExposed(viewer))
        ++failures;
    shoot(viewer, QStringLiteral("10-help-viewer"));
    return failures ? 1 : 0;
}
