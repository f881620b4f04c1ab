// Shows the window in its states on the screen it runs on and saves each as a PNG:
// idle, armed, during a write, a failure box and the About window. The language
// follows the locale, as in the program. Run by scripts/screenshots.sh under Xvfb.
#include "AppHarness.h"

#include "app/frmAbout.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
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
void shootNextModal(const QString &name)
{
    QTimer::singleShot(200, [name] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            shoot(modal, name);
            modal->close();
        }
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);
    useTemporarySettings();

    AppHarness h(StringTable::systemLanguage()); // as the program picks it
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
    return failures ? 1 : 0;
}
