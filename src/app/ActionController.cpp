#include "ActionController.h"

#include "Operations.h"
#include "OperatorDialogs.h"
#include "frmMain.h"

#include "clone/MemoryChannels.h"
#include "clone/RadioType.h"
#include "clone/TypeRead.h"
#include "flash/AdjustFile.h"
#include "log/ServiceLog.h"
#include "log/ServiceRecord.h"
#include "store/FirmwareFiles.h"
#include "store/OutputPath.h"
#include "store/WorkDatabase.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlQuery>

namespace {

constexpr auto FirmwareFilter = "CPU/DSP FIRMWARE FILE (*.mot)|*.mot|ALL FILE(*.*)|*.*";
constexpr auto SettingsFilter = "CSV FILE (*.csv)|*.csv|ALL FILE(*.*)|*.*";
constexpr auto BootLoaderFile = "7730F.REL";
constexpr auto UserTable = "UserPrg";
constexpr auto AdjustTable = "AdjustPrg";
constexpr auto SuccessText = "Success";
constexpr auto SuccessTitle = "Infomation";
constexpr auto FailureText = "Failure";
constexpr auto ErrorTitle = "Error!!";
// Boot-loader records plus the 2,048 frames of the image and the closing step.
constexpr int FirmwareSteps = 2048 + 1;
// A settings read has a fixed range; its operations step within it.
constexpr int SettingsReadSteps = 730;

QString failedPreparationText()
{
    return QLatin1Char('\r') + QLatin1String(FailureText) + QLatin1Char('\r');
}

// The file as the preparation read it; else its path and why it has no fingerprint.
void addInput(ServiceRecord &record, const char *role, const InputFile &read, const QString &path)
{
    if (read.isValid())
        record.addFile(role, read);
    else
        record.addFile(role, path, path.isEmpty() ? QStringLiteral("not found") : QStringLiteral("not read"));
}

} // namespace

ActionController::ActionController(frmMain &window, MainControls &controls) : m_window(window), ui(controls)
{
}

ActionController::~ActionController() = default;

void ActionController::startIdle()
{
    for (QPushButton *b : {ui.cmdExec, ui.cmdCancel}) {
        b->setEnabled(false);
        b->setVisible(false);
    }
    m_actionMode = None;
    m_fileName.clear();
}

void ActionController::setText(QLabel *label, int id)
{
    label->setText(id ? m_window.texts()(id) : QString());
    label->repaint();
}

// The common prepare step of the four actions.
void ActionController::prepare(Mode mode, const ActionTexts &texts)
{
    m_actionMode = mode;
    m_reasons.clear();
    m_usedText.clear();
    m_recorded = false;
    setText(ui.lblAction, texts.action);
    setText(ui.lblInstruction, texts.instruction);
    setText(ui.lblCaution, texts.caution);
    ui.cmdExec->setText(m_window.texts()(texts.exec));
    ui.cmdExec->repaint();
    ui.cmdExec->setEnabled(false);
    ui.cmdCancel->setEnabled(true);
    ui.cmdExec->setVisible(true);
    ui.cmdCancel->setVisible(true);
    for (QPushButton *b : ui.preparationButtons())
        b->setEnabled(false);
    ui.setMenusEnabled(false);
}

void ActionController::resetToIdle()
{
    m_actionMode = None;
    m_fileName.clear();
    for (QPushButton *b : ui.preparationButtons())
        b->setEnabled(true);
    for (QPushButton *b : {ui.cmdExec, ui.cmdCancel}) {
        b->setEnabled(false);
        b->setVisible(false);
    }
    ui.setMenusEnabled(true);
    setText(ui.lblAction, Txt::IdleAction);
    setText(ui.lblInstruction, Txt::IdleInstruction);
    setText(ui.lblCaution, 0);
    setPrepared({}, {});
    ui.barMain->hide();
}

// Before WRITE or READ is pressed the screen names what it will use: the file and the port.
void ActionController::setPrepared(const QString &fileLine, const QString &file)
{
    ui.lblPrepared->setText(
        fileLine.isEmpty() ? QString() : fileLine + QLatin1Char('\n') + m_window.portLine());
    ui.lblPrepared->repaint();
    if (!fileLine.isEmpty())
        m_usedText = ui.lblPrepared->text();
    m_window.showStatus(file);
}

QString ActionController::KnownType::source() const
{
    return port.isEmpty() ? tr("chosen") : tr("read from the radio on %1 at %2").arg(port, at.toString(u"HH:mm"));
}

void ActionController::rememberRadioType(const QString &label)
{
    m_typeRead = {label, m_window.settingsText().left(4), QTime::currentTime()};
    m_radioType = short(radioTypeOf(label));
    ui.lblType->setText(QStringLiteral("Type ") + label);
    ui.lblType->repaint();
}

// RadioType stays as it was; nothing on the window claims a type any more.
void ActionController::forgetRadioType()
{
    m_typeRead = {};
    ui.lblType->clear();
    ui.lblType->repaint();
}

void ActionController::portChanged()
{
    if (m_typeRead.isValid() && m_typeRead.port != m_window.settingsText().left(4))
        forgetRadioType();
}

// The type read from the radio on the chosen port; else the operator's choice, the
// language's default offered first. Invalid when the operator cancels.
ActionController::KnownType ActionController::adjustType()
{
    if (m_typeRead.isValid() && m_typeRead.port == m_window.settingsText().left(4))
        return m_typeRead;
    const QString chosen = m_window.dialogs().chooseRadioType(&m_window, m_window.texts()(Txt::DefaultType));
    return {canonicalTypeLabel(chosen), {}, QTime::currentTime()};
}

// A firmware write needs the boot loader that start-up imported: refused at once without it.
bool ActionController::bootLoaderReady()
{
    if (m_window.bootLoaderPath().isEmpty()) {
        showMissingFile(QLatin1String(BootLoaderFile), m_window.bootLoaderSearched());
        return false;
    }
    if (m_window.bootLoaderProblem().isEmpty())
        return true;
    m_reasons =
        QStringList{tr("the boot loader %1 could not be imported when the program started: %2")
                        .arg(QDir::toNativeSeparators(m_window.bootLoaderPath()), m_window.bootLoaderProblem())};
    showFailure(failedPreparationText());
    return false;
}

void ActionController::cmdUser()
{
    if (!bootLoaderReady())
        return;
    prepare(UserFirmware, {Txt::UserAction, Txt::SelectFirmware, Txt::SetFirmwareMode, Txt::WriteToRadio});
    const QString path = m_window.dialogs().chooseFileToOpen(&m_window, m_window.texts()(Txt::SelectFile),
                                                             QLatin1String(FirmwareFilter));
    if (path.isEmpty()) {
        resetToIdle();
        return;
    }
    setText(ui.lblInstruction, 0);
    setText(ui.lblCaution, Txt::PreparingUser);
    setPrepared(tr("USER firmware file: %1").arg(QDir::toNativeSeparators(path)), path);
    m_window.repaint();
    armFirmware(importFirmware(path, QLatin1String(UserTable)));
}

void ActionController::cmdAdjust()
{
    if (!bootLoaderReady())
        return;
    prepare(AdjustFirmware, {Txt::AdjustAction, Txt::AdjustCaution, Txt::SetFirmwareMode, Txt::WriteToRadio});
    m_window.repaint();
    // ADJUST data of another market is written without complaint by the radio: the
    // type is one the radio sent, or one the operator chose knowingly.
    m_adjustType = adjustType();
    if (!m_adjustType.isValid()) {
        resetToIdle();
        return;
    }
    m_radioType = short(radioTypeOf(m_adjustType.label));
    const QString relativeName = adjustRelativeName(m_radioType);
    const FirmwareFile file = findFirmwareFile(m_window.programFolder(), relativeName);
    if (!file.found()) {
        resetToIdle();
        showMissingFile(relativeName, file.searchedText());
        return;
    }
    setPrepared(tr("ADJUST file: %1 — type %2, %3")
                    .arg(QDir::toNativeSeparators(file.path), m_adjustType.label, m_adjustType.source()),
                file.path);
    setText(ui.lblCaution, Txt::PreparingAdjust);
    armFirmware(importFirmware(file.path, QLatin1String(AdjustTable)));
}

// Imports the file and refuses an image that could not be written whole, so a bad
// file is never armed. A refused image leaves its table empty.
bool ActionController::importFirmware(const QString &path, const QString &table)
{
    m_preparedFile = path;
    m_window.setBusy(true);
    Operations &ops = m_window.operations();
    m_window.clearSeen();
    bool ok = step([&] { return ops.fncImportFirmwareFile(m_window, path, table); });
    m_preparedInput = m_window.inputs().value(0);
    if (ok) {
        QString reason;
        ok = ops.isWritableImage(m_window.WorkConnection(), table, &reason);
        if (!ok) {
            noteFailure(reason);
            QSqlQuery(m_window.WorkConnection()).exec(QStringLiteral("DELETE FROM ") + table);
        }
    }
    m_window.setBusy(false);
    return ok;
}

void ActionController::armFirmware(bool imported)
{
    if (!imported) {
        resetToIdle();
        showFailure(failedPreparationText());
        return;
    }
    ui.cmdExec->setEnabled(true);
    setText(ui.lblCaution, Txt::FirmwareArmed);
}

void ActionController::cmdMWrite()
{
    prepare(SettingsWrite,
            {Txt::SettingsWriteAction, Txt::SelectSavedFile, Txt::SettingsWriteArmed, Txt::WriteToRadio});
    const QString path = m_window.dialogs().chooseFileToOpen(&m_window, m_window.texts()(Txt::SelectFile),
                                                             QLatin1String(SettingsFilter));
    if (path.isEmpty()) {
        resetToIdle();
        return;
    }
    m_preparedFile = path;
    setText(ui.lblInstruction, 0);
    setText(ui.lblCaution, Txt::PreparingSettings);
    setPrepared(tr("Settings file: %1").arg(QDir::toNativeSeparators(path)), path);
    m_window.setBusy(true);
    m_window.repaint();
    m_window.clearSeen();
    const bool loaded = step([&] { return m_window.operations().fncImportCsvFile(m_window, path); });
    m_preparedInput = m_window.inputs().value(0);
    m_window.setBusy(false);
    if (!loaded) {
        showFailure(failedPreparationText());
        resetToIdle();
        return;
    }
    setText(ui.lblCaution, Txt::SettingsWriteArmed);
    ui.cmdExec->setEnabled(true);
}

void ActionController::cmdMRead()
{
    prepare(SettingsRead, {Txt::SettingsReadAction, 0, Txt::TurnOnRadio, Txt::ReadFromRadio});
    const QString path = m_window.dialogs().chooseFileToSave(&m_window, m_window.texts()(Txt::SelectFile),
                                                             QLatin1String(SettingsFilter));
    if (path.isEmpty()) {
        resetToIdle();
        return;
    }
    // Found now, not after the whole read has been spent on it.
    QString reason;
    if (!checkOutputPath(path, reason)) {
        noteFailure(reason);
        resetToIdle();
        showFailure(failedPreparationText());
        return;
    }
    m_fileName = path;
    ui.cmdExec->setEnabled(true);
    setText(ui.lblCaution, Txt::SettingsReadArmed);
    setPrepared(tr("Saves to: %1").arg(QDir::toNativeSeparators(path)), path);
}

void ActionController::cmdExec()
{
    switch (m_actionMode) {
    case None:
        return;
    case UserFirmware:
    case AdjustFirmware:
        runFirmware();
        return;
    case SettingsWrite:
        runSettingsWrite();
        return;
    default:
        runSettingsRead();
        return;
    }
}

void ActionController::startRun()
{
    m_reasons.clear();
    m_window.clearNotes();
    ui.cmdExec->setEnabled(false);
    ui.cmdCancel->setEnabled(false);
    ui.barMain->show();
    m_window.setBusy(true);
    m_window.fncWaitCursor();
    m_window.clearSeen();
    startRecord();
}

// The run's service record: what it is about, taken before anything is sent.
void ActionController::startRecord()
{
    const bool firmware = m_actionMode == UserFirmware || m_actionMode == AdjustFirmware;
    const char *action = m_actionMode == UserFirmware     ? ServiceAction::UserFirmware
                         : m_actionMode == AdjustFirmware ? ServiceAction::AdjustFirmware
                         : m_actionMode == SettingsWrite  ? ServiceAction::SettingsWrite
                                                          : ServiceAction::SettingsRead;
    m_record = std::make_unique<ServiceRecord>(ServiceRecord::Program::Window, action, m_window.settingsText());
    if (firmware) {
        addInput(*m_record, ServiceFile::BootLoader, m_window.bootLoaderInput(), m_window.bootLoaderPath());
        addInput(*m_record, ServiceFile::Firmware, m_preparedInput, m_preparedFile);
        m_record->noteFirmware(m_window.WorkConnection(),
                               QLatin1String(m_actionMode == UserFirmware ? UserTable : AdjustTable));
    } else if (m_actionMode == SettingsWrite) {
        addInput(*m_record, ServiceFile::Settings, m_preparedInput, m_preparedFile);
        m_record->noteSettings(m_window.WorkConnection());
    }
    // A radio in firmware-write mode cannot be asked: the type is the one known.
    const KnownType &type = m_actionMode == AdjustFirmware ? m_adjustType : m_typeRead;
    if (firmware && type.isValid())
        m_record->setRadioType(type.label, type.port.isEmpty() ? ServiceRecord::TypeSource::Operator
                                                               : ServiceRecord::TypeSource::Radio);
}

// The operator sees nothing of the record: one that cannot be written is only logged.
void ActionController::finishRecord(bool ok)
{
    if (!m_record)
        return;
    if (ok && m_actionMode == SettingsRead)
        m_record->addSavedFile(ServiceFile::Settings, m_fileName);
    // A settings write asks the type before its first command.
    if (!m_record->hasRadioType() && !m_window.radioTypeSeen().isEmpty())
        m_record->setRadioType(m_window.radioTypeSeen(), ServiceRecord::TypeSource::Radio);
    QString problem;
    const auto result = m_window.cancelRequested() ? ServiceRecord::Result::Stopped
                        : ok                       ? ServiceRecord::Result::Success
                                                   : ServiceRecord::Result::Failure;
    m_recorded = m_record->finish(result, m_reasons.join(QStringLiteral("; ")), &problem);
    if (!m_recorded)
        qWarning("the service record was not written: %s", qPrintable(problem));
    m_record.reset();
}

void ActionController::setRange(int maximum)
{
    ProgressBarSink &bar = m_window.runProgress();
    bar.setMinimum(0);
    bar.setMaximum(maximum);
    bar.setValue(0);
    bar.startRun();
}

void ActionController::runFirmware()
{
    const bool user = m_actionMode == UserFirmware;
    startRun();
    const int bootRecords = WorkDatabase::countRows(m_window.WorkConnection(), QStringLiteral("SELECT * FROM BootPrg"));
    setRange(qMax(bootRecords, 0) + FirmwareSteps);
    (user ? ui.cmdUser : ui.cmdAdjust)->setEnabled(false);
    setText(ui.lblCaution, user ? Txt::WritingUser : Txt::WritingAdjust);
    // The result box names the file an ADJUST write chose by the radio's type.
    if (!user)
        m_window.addNote(ui.lblPrepared->text());

    Operations &ops = m_window.operations();
    if (!step([&] { return ops.fncTransmitBootProgram(m_window); })) {
        if (m_window.cancelRequested())
            return finishRun(false);
        // The program transfer needs the loader running; nothing more is sent.
        m_window.runProgress().stopRun();
        finishRecord(false);
        m_window.setBusy(false);
        ui.barMain->hide();
        resetToIdle();
        showFailure(QLatin1String(FailureText));
        return;
    }
    const QString table = QLatin1String(user ? UserTable : AdjustTable);
    finishRun(step([&] { return ops.fncTransmitProgram(m_window, table); }));
}

void ActionController::runSettingsRead()
{
    startRun();
    setRange(SettingsReadSteps);
    ui.cmdMRead->setEnabled(false);

    Operations &ops = m_window.operations();
    m_window.clearFailure();
    const QString type = ops.fncTypeRead(m_window);
    if (type.isEmpty()) {
        // A radio that does not answer its type would not answer the rest either,
        // and no type may stand on the label for it.
        forgetRadioType();
        noteFailure(m_window.failureReason().isEmpty() ? tr("the radio did not answer the type query")
                                                       : m_window.failureReason());
        finishRun(false);
        return;
    }
    rememberRadioType(type);
    m_record->setRadioType(type, ServiceRecord::TypeSource::Radio);
    setText(ui.lblCaution, Txt::SettingsReading);

    const bool menus = step([&] { return ops.fncMenuRead(m_window); });
    const bool channels = step([&] { return ops.fncMemoryChennelRead(m_window); });
    const bool saved = menus && channels && step([&] { return ops.fncExportCsvFile(m_window, m_fileName); });
    finishRun(saved);
}

void ActionController::runSettingsWrite()
{
    startRun();
    const QSqlDatabase db = m_window.WorkConnection();
    const int channels = WorkDatabase::countRows(db, memoryGroupQuery());
    const int menus = WorkDatabase::countRows(db, QStringLiteral("SELECT * FROM MenuData"));
    setRange(qMax(channels, 0) + qMax(menus, 0) + 1);
    ui.cmdMWrite->setEnabled(false);
    setText(ui.lblCaution, Txt::SettingsWriting);

    Operations &ops = m_window.operations();
    // The channels are written even when the menus failed: the operator gets as
    // much of the file into the radio as it takes.
    const bool menusOk = step([&] { return ops.fncMenuWrite(m_window); });
    const bool channelsOk = step([&] { return ops.fncMemoryChennelWrite(m_window); });
    finishRun(menusOk && channelsOk);
}

void ActionController::finishRun(bool ok)
{
    m_window.runProgress().stopRun();
    finishRecord(ok);
    m_window.setBusy(false);
    ui.barMain->hide();
    // Stopped because the session ends: the window closes, and no box waits for an operator.
    if (m_window.cancelRequested()) {
        qWarning("Stopped: %s", qPrintable(m_reasons.join(QStringLiteral("; "))));
        m_reasons.clear();
        m_window.clearNotes();
        resetToIdle();
        return;
    }
    if (ok)
        showSuccess();
    else
        showFailure(QLatin1String(FailureText));
    ui.barMain->hide();
    m_window.setEnabled(true);
    resetToIdle();
}

bool ActionController::step(const std::function<bool()> &operation)
{
    // Once a stop is asked for, the radio is told nothing more.
    if (m_window.cancelRequested())
        return false;
    m_window.clearFailure();
    const bool ok = operation();
    if (!ok)
        noteFailure(m_window.failureReason());
    return ok;
}

void ActionController::noteFailure(const QString &reason)
{
    if (!reason.isEmpty())
        m_reasons << reason;
}

void ActionController::showSuccess()
{
    const QString notes = m_window.notes().join(QLatin1Char('\n'));
    m_window.dialogs().message(&m_window, QLatin1String(SuccessText), OperatorDialogs::Icon::None,
                               QLatin1String(SuccessTitle), notes, trail(notes));
    m_window.clearNotes();
}

void ActionController::showFailure(const QString &text)
{
    const QString reason = (m_reasons + m_window.notes()).join(QLatin1Char('\n'));
    m_window.dialogs().message(&m_window, text, OperatorDialogs::Icon::Critical, QLatin1String(ErrorTitle), reason,
                               trail(reason));
    m_reasons.clear();
    m_window.clearNotes();
}

// Behind "Show Details...": the reason again with what the action used and where the
// run is recorded, for a report or a call to the workshop.
QString ActionController::trail(const QString &reason) const
{
    QStringList lines;
    if (!reason.isEmpty())
        lines << reason << QString();
    lines << (m_usedText.isEmpty() ? m_window.portLine() : m_usedText);
    if (m_typeRead.isValid())
        lines << tr("Type %1, %2").arg(m_typeRead.label, m_typeRead.source());
    if (m_recorded)
        lines << tr("Service record: %1").arg(QDir::toNativeSeparators(ServiceLog::path()));
    return lines.join(QLatin1Char('\n'));
}

void ActionController::showMissingFile(const QString &relativeName, const QString &searched)
{
    m_window.dialogs().message(&m_window, QLatin1Char('\'') + relativeName + QStringLiteral("' Not Found !!"),
                               OperatorDialogs::Icon::Critical, QLatin1String(ErrorTitle), searched);
}
