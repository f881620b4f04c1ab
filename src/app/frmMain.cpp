#include "frmMain.h"

#include "ActionController.h"
#include "Operations.h"
#include "OperatorDialogs.h"
#include "TerminationSignals.h"
#include "frmAbout.h"
#include "frmLoading.h"
#include "frmPorts.h"
#include "link/clsBriskHx7730.h"
#include "store/FirmwareFiles.h"
#include "store/LockOwner.h"
#include "store/WorkDatabase.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QSysInfo>

namespace {

constexpr auto BootLoaderFile = "7730F.REL";
constexpr auto ErrorTitle = "Error!!";
constexpr auto CannotCreateText = QT_TRANSLATE_NOOP("frmMain", "The working database cannot be created.");
// Operations call fncWaitCursor once per item; this keeps the window painted when
// the items come slowly.
constexpr qint64 RepaintInterval = 50;   // ms
constexpr int StatusMessageTime = 15000; // ms
// Before this the rate and the time left would be guesses.
constexpr double MinSecondsForRate = 1.0;

QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BriskHx7730"));
}

const QString SerialKey = QStringLiteral("Settings/Serial");

} // namespace

void ProgressBarSink::setMinimum(int value)
{
    m_bar->setMinimum(value);
}

void ProgressBarSink::setMaximum(int value)
{
    m_bar->setMaximum(value);
}

void ProgressBarSink::setValue(int value)
{
    m_bar->setValue(value);
    if (m_run.isValid())
        m_bar->setFormat(runText());
    if (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= RepaintInterval) {
        m_sincePaint.start();
        QCoreApplication::processEvents();
    }
}

int ProgressBarSink::value() const
{
    return m_bar->value();
}

void ProgressBarSink::setVisible(bool visible)
{
    m_bar->setVisible(visible);
}

void ProgressBarSink::startRun()
{
    m_run.start();
    m_wireAtStart = clsBriskHx7730::wireBytes();
    m_bar->setFormat(QStringLiteral("%p %"));
}

void ProgressBarSink::stopRun()
{
    m_run.invalidate();
    m_bar->setFormat(QStringLiteral("%p %"));
}

// "42 % — 958 bytes/s — 3:02 left", as brisk shows it; rate and time left only once measured.
QString ProgressBarSink::runText() const
{
    const double seconds = double(m_run.elapsed()) / 1000.0;
    const int span = m_bar->maximum() - m_bar->minimum();
    const double fraction = span > 0 ? double(m_bar->value() - m_bar->minimum()) / span : 0.0;
    if (seconds < MinSecondsForRate || fraction <= 0.0)
        return QStringLiteral("%p %");
    const double rate = double(clsBriskHx7730::wireBytes() - m_wireAtStart) / seconds;
    const int left = int(seconds * (1.0 - std::min(fraction, 1.0)) / fraction);
    return QCoreApplication::translate("frmMain", "%p % — %1 bytes/s — %2 left")
        .arg(QLocale().toString(rate, 'f', 0))
        .arg(QStringLiteral("%1:%2").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0')));
}

frmMain::frmMain(const MainSetup &setup, QWidget *parent)
    : QMainWindow(parent), m_setup(setup), ui(buildMainControls(this)), m_bar(ui.barMain),
      m_actions(std::make_unique<ActionController>(*this, ui)),
      m_connectionName(QStringLiteral("brisk-work-%1").arg(quintptr(this)))
{
    setObjectName(QStringLiteral("frmMain"));
    connectControls();
    resize(minimumSizeHint().expandedTo(QSize(520, 380)));
}

frmMain::~frmMain()
{
    shutDown();
}

QString frmMain::databasePath() const
{
    const QString base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const QString folder = m_setup.workFolder.isEmpty() ? m_setup.programFolder : m_setup.workFolder;
    return QDir(folder).filePath(base + QStringLiteral(".mdb"));
}

bool frmMain::startUp()
{
    // From the first box on, a signal ends the program cleanly.
    connect(&TerminationSignals::instance(), &TerminationSignals::received, this, &frmMain::endOnSignal,
            Qt::UniqueConnection);
    frmLoading loading;
    loading.show();
    loading.repaint();
    QCoreApplication::processEvents();

    centreOnScreen();
    ui.lblType->clear();
    ui.barMain->hide();
    setWindowTexts();
    restorePortChoice();
    m_actions->startIdle();

    if (!m_setup.workFolderProblem.isEmpty()) {
        reportStartFailure(tr(CannotCreateText), m_setup.workFolderProblem);
        return false;
    }
    if (!lockWorkDatabase() || !createWorkDatabase())
        return false;
    importBootLoader();
    return !m_endRequested;
}

void frmMain::centreOnScreen()
{
    const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    move(screen.center() - rect().center());
}

void frmMain::setWindowTexts()
{
    const StringTable &t = m_setup.texts;
    setWindowTitle(t(Txt::PartNumber));
    ui.lblAction->setText(t(Txt::IdleAction));
    ui.lblInstruction->setText(t(Txt::IdleInstruction));
    ui.lblCaution->clear();

    ui.mnuMenu1->setTitle(t(Txt::MenuFirmware));
    ui.mnuMenu11->setText(t(Txt::MenuUser));
    ui.mnuMenu12->setText(t(Txt::MenuAdjust));
    ui.mnuMenu2->setTitle(t(Txt::MenuSettings));
    ui.mnuMenu21->setText(t(Txt::MenuSettingsWrite));
    ui.mnuMenu22->setText(t(Txt::MenuSettingsRead));
    ui.mnuMenu3->setTitle(t(Txt::MenuOption));
    ui.mnuMenu31->setTitle(t(Txt::MenuSerialPort));
    ui.mnuMenu311->setText(t(Txt::MenuCom1));
    ui.mnuMenu312->setText(t(Txt::MenuCom2));
    ui.mnuMenu313->setText(tr("&Devices…"));
    ui.mnuMenu4->setText(t(Txt::MenuUsage));
    ui.mnuMenu5->setText(t(Txt::MenuAbout));

    ui.cmdExec->setText(t(Txt::ReadFromRadio));
    ui.cmdCancel->setText(t(Txt::Cancel));
    ui.cmdMRead->setText(t(Txt::SettingsReadButton));
    ui.cmdAdjust->setText(t(Txt::AdjustAction));
    ui.cmdUser->setText(t(Txt::UserAction));
    ui.cmdMWrite->setText(t(Txt::SettingsWriteButton));
}

void frmMain::restorePortChoice()
{
    const bool com1 = userSettings().value(SerialKey, QStringLiteral("1")).toString() == QLatin1String("1");
    ui.mnuMenu311->setChecked(com1);
    ui.mnuMenu312->setChecked(!com1);
    showPortDevices();
}

void frmMain::choosePort(bool com1)
{
    ui.mnuMenu311->setChecked(com1);
    ui.mnuMenu312->setChecked(!com1);
    QSettings settings = userSettings();
    settings.setValue(SerialKey, com1 ? QStringLiteral("1") : QStringLiteral("2"));
    settings.sync();
    m_actions->portChanged();
    showStatus();
}

void frmMain::showPortDevices()
{
    ui.mnuMenu311->setToolTip(clsBriskHx7730::deviceFor(QLatin1String(SettingsCom1)));
    ui.mnuMenu312->setToolTip(clsBriskHx7730::deviceFor(QLatin1String(SettingsCom2)));
    showStatus();
}

QString frmMain::portInUse() const
{
    // A by-id link names the same port as the device it leads to.
    const auto canonical = [](const QString &path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        return resolved.isEmpty() ? path : resolved;
    };
    const QString device = clsBriskHx7730::deviceFor(settingsText());
    QString description;
    for (const SerialPortEntry &port : m_setup.serialPorts ? m_setup.serialPorts() : SerialPorts::available())
        if (canonical(port.device) == canonical(device))
            description = port.description;
    const QString comName = settingsText().left(4);
    QStringList where;
    // On Windows COM1 is itself the device; elsewhere it stands for one.
    if (device.compare(comName, Qt::CaseInsensitive) != 0)
        where << QDir::toNativeSeparators(device);
    if (!description.isEmpty())
        where << description;
    return where.isEmpty() ? comName : tr("%1 — %2").arg(comName, where.join(QStringLiteral(", ")));
}

QString frmMain::portLine() const
{
    return tr("Port: %1").arg(portInUse());
}

void frmMain::showStatus(const QString &file)
{
    const QString port = portLine();
    ui.lblStatus->setText(
        file.isEmpty() ? port : port + QStringLiteral("    ") + tr("File: %1").arg(QDir::toNativeSeparators(file)));
}

void frmMain::openPortDevices()
{
    const QString com1 = QStringLiteral("COM1");
    const QString com2 = QStringLiteral("COM2");
    frmPorts dialog(m_setup.texts, m_setup.serialPorts ? m_setup.serialPorts() : SerialPorts::available(),
                    SerialPorts::mappedDevice(com1), SerialPorts::mappedDevice(com2), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString reason;
    if (!SerialPorts::setMappedDevice(com1, dialog.device(com1), &reason) ||
        !SerialPorts::setMappedDevice(com2, dialog.device(com2), &reason))
        m_setup.dialogs->message(this, QStringLiteral("Failure"), OperatorDialogs::Icon::Critical,
                                 QLatin1String(ErrorTitle), reason);
    showPortDevices();
}

// A second window would delete the first one's working database under it.
bool frmMain::lockWorkDatabase()
{
    m_lock = std::make_unique<QLockFile>(databasePath() + QStringLiteral(".lock"));
    // Only a dead owner makes the lock stale; a long run must keep it.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    qint64 owner = 0;
    QString host;
    const bool held = m_lock->error() == QLockFile::LockFailedError && m_lock->getLockInfo(&owner, &host, nullptr);
    // Only this program, running for this user, holds the lock: anything else left it behind or planted it.
    const bool ownerRuns = held && host == QSysInfo::machineHostName() && LockOwner::isLiveCopyOfThisProgram(owner);
    if (held && !ownerRuns && m_lock->removeStaleLockFile() && m_lock->tryLock(0))
        return true;
    const QString reason = ownerRuns ? tr("The working database %1 is in use by process %2.")
                                           .arg(QDir::toNativeSeparators(databasePath()))
                                           .arg(owner)
                                     : whyLockFailed();
    m_lock.reset();
    reportStartFailure(
        ownerRuns ? tr("%1 is already running.").arg(m_setup.texts(Txt::IdleAction)) : tr(CannotCreateText), reason);
    return false;
}

QString frmMain::whyLockFailed() const
{
    const QString lock = QDir::toNativeSeparators(databasePath() + QStringLiteral(".lock"));
    switch (m_lock->error()) {
    case QLockFile::PermissionError:
        return tr("cannot create the lock file %1: permission denied").arg(lock);
    case QLockFile::LockFailedError:
        return tr("the lock file %1 is left by a program that has ended, and cannot be removed").arg(lock);
    default:
        return tr("cannot create the lock file %1").arg(lock);
    }
}

bool frmMain::createWorkDatabase()
{
    QString reason;
    if (!WorkDatabase::create(databasePath(), &reason)) {
        reportStartFailure(tr(CannotCreateText), reason);
        return false;
    }
    m_ownsDatabase = true;
    if (!WorkDatabase::open(databasePath(), m_connectionName, &reason).isOpen()) {
        reportStartFailure(tr("The working database cannot be opened."), reason);
        return false;
    }
    return true;
}

void frmMain::importBootLoader()
{
    const FirmwareFile loader = findFirmwareFile(m_setup.programFolder, QLatin1String(BootLoaderFile));
    m_bootLoaderPath = loader.path;
    m_bootLoaderSearched = loader.searchedText();
    if (!loader.found()) {
        m_setup.dialogs->message(this, QStringLiteral("'%1' Not Found !!").arg(QLatin1String(BootLoaderFile)),
                                 OperatorDialogs::Icon::Critical, QLatin1String(ErrorTitle), loader.searchedText());
        return;
    }
    // Start-up says nothing of a bad loader: a firmware preparation refuses with its reason.
    setBusy(true);
    clearSeen();
    clearFailure();
    if (!m_setup.operations->fncImportMotFile(*this, loader.path, QStringLiteral("BootPrg")))
        m_bootLoaderProblem = failureReason().isEmpty() ? tr("it cannot be imported") : failureReason();
    m_bootLoaderInput = inputs().value(0);
    setBusy(false);
}

void frmMain::reportStartFailure(const QString &text, const QString &detail)
{
    m_setup.dialogs->message(this, text, OperatorDialogs::Icon::Critical, QLatin1String(ErrorTitle), detail);
}

void frmMain::connectControls()
{
    ActionController *a = m_actions.get();
    connect(ui.cmdUser, &QPushButton::clicked, this, [a] { a->cmdUser(); });
    connect(ui.cmdAdjust, &QPushButton::clicked, this, [a] { a->cmdAdjust(); });
    connect(ui.cmdMWrite, &QPushButton::clicked, this, [a] { a->cmdMWrite(); });
    connect(ui.cmdMRead, &QPushButton::clicked, this, [a] { a->cmdMRead(); });
    connect(ui.cmdExec, &QPushButton::clicked, this, [a] { a->cmdExec(); });
    connect(ui.cmdCancel, &QPushButton::clicked, this, [a] { a->resetToIdle(); });
    connect(ui.mnuMenu11, &QAction::triggered, this, [a] { a->cmdUser(); });
    connect(ui.mnuMenu12, &QAction::triggered, this, [a] { a->cmdAdjust(); });
    connect(ui.mnuMenu21, &QAction::triggered, this, [a] { a->cmdMWrite(); });
    connect(ui.mnuMenu22, &QAction::triggered, this, [a] { a->cmdMRead(); });
    connect(ui.mnuMenu311, &QAction::triggered, this, [this] { choosePort(true); });
    connect(ui.mnuMenu312, &QAction::triggered, this, [this] { choosePort(false); });
    connect(ui.mnuMenu313, &QAction::triggered, this, &frmMain::openPortDevices);
    connect(ui.mnuMenu4, &QAction::triggered, this, &frmMain::openHelp);
    connect(ui.mnuMenu5, &QAction::triggered, this, &frmMain::showAbout);
}

void frmMain::openHelp()
{
    const QString page = QStringLiteral("HELP/") + m_setup.texts(Txt::HelpPage);
    m_setup.dialogs->openDocument(this, QDir(m_setup.programFolder).filePath(page));
}

void frmMain::showAbout()
{
    frmAbout about(m_setup.texts, this);
    about.exec();
}

QSqlDatabase frmMain::WorkConnection()
{
    return QSqlDatabase::database(m_connectionName, false);
}

QString frmMain::settingsText() const
{
    return QString::fromLatin1(ui.mnuMenu311->isChecked() ? SettingsCom1 : SettingsCom2);
}

void frmMain::fncWaitCursor()
{
    QCoreApplication::processEvents();
    setHourglass(true);
}

void frmMain::setHourglass(bool on)
{
    if (on == m_hourglass)
        return;
    m_hourglass = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmMain::setBusy(bool busy)
{
    m_busy = busy;
    setHourglass(busy);
    setEnabled(!busy);
    // An end asked for while an import or a run went on comes once it is over.
    if (!busy && m_endRequested)
        QMetaObject::invokeMethod(this, &frmMain::endOnSignal, Qt::QueuedConnection);
}

// As the operator's close: every box and dialog open is cancelled, so that nothing
// goes on after the window. A run stops at its next poll (cancelRequested), and the
// window closes once it has.
void frmMain::endOnSignal()
{
    m_endRequested = true;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QDialog *>(window); dialog && dialog->isVisible())
            dialog->reject();
    if (m_busy)
        statusBar()->showMessage(tr("Stopping: the run ends at its next step, then the window closes."));
    else
        close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Events run inside fncWaitCursor: closing here would delete the database
    // under the operation that is running.
    if (m_busy || !isEnabled()) {
        event->ignore();
        if (!m_endRequested)
            statusBar()->showMessage(tr("The window closes when this run has ended. To stop the run now, end the "
                                        "program with SIGTERM or SIGINT (Ctrl+C in the terminal that started it)."),
                                     StatusMessageTime);
        return;
    }
    event->accept();
    shutDown();
}

void frmMain::shutDown()
{
    setHourglass(false);
    WorkDatabase::close(m_connectionName);
    if (m_ownsDatabase) {
        QFile::remove(databasePath());
        m_ownsDatabase = false;
    }
    if (m_lock) {
        m_lock.reset();
        if (m_setup.removeWorkFolder)
            QDir().rmdir(m_setup.workFolder);
    }
}
