#pragma once

#include "MainControls.h"

#include "store/FileContents.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTime>

#include <functional>
#include <memory>

class frmMain;
class QLabel;
class ServiceRecord;

// The main window's action state machine: Idle → Preparing → Armed → Running →
// Reporting → Idle. Each action is prepared by its button or menu item, run by
// cmdExec and abandoned (while armed) by cmdCancel.
class ActionController
{
    Q_DECLARE_TR_FUNCTIONS(ActionController)

public:
    enum Mode : short { None = 0, UserFirmware = 1, AdjustFirmware = 2, SettingsWrite = 3, SettingsRead = 4 };

    ActionController(frmMain &window, MainControls &controls);
    ~ActionController();

    void startIdle();
    void cmdUser();
    void cmdAdjust();
    void cmdMWrite();
    void cmdMRead();
    void cmdExec();
    void resetToIdle();

    short ActionMode() const { return m_actionMode; }
    QString FileName() const { return m_fileName; }
    short RadioType() const { return m_radioType; }
    // The port choice changed: the type on lblType was another radio's.
    void portChanged();

private:
    // A type label and where it came from: the radio's answer (on `port` at `at`) or
    // the operator's choice.
    struct KnownType
    {
        QString label;
        QString port; // "COM1"; empty when the operator chose the type
        QTime at;

        bool isValid() const { return !label.isEmpty(); }
        QString source() const;
    };

    struct ActionTexts
    {
        int action;
        int instruction; // 0: empty
        int caution;
        int exec;
    };

    void prepare(Mode mode, const ActionTexts &texts);
    bool bootLoaderReady();
    KnownType adjustType();
    void rememberRadioType(const QString &label);
    void forgetRadioType();
    void setPrepared(const QString &fileLine, const QString &file);
    bool importFirmware(const QString &path, const QString &table);
    void armFirmware(bool imported);
    void runFirmware();
    void runSettingsRead();
    void runSettingsWrite();
    void startRun();
    void finishRun(bool ok);
    void startRecord();
    void finishRecord(bool ok);

    bool step(const std::function<bool()> &operation);
    void noteFailure(const QString &reason);
    QString trail(const QString &reason) const;
    void showSuccess();
    void showFailure(const QString &text);
    void showMissingFile(const QString &relativeName, const QString &searched);
    void setText(QLabel *label, int id);
    void setRange(int maximum);

    frmMain &m_window;
    MainControls &ui;
    short m_actionMode = None;
    QString m_fileName;
    short m_radioType = 0;
    QStringList m_reasons;                   // why the steps of this preparation or run failed
    QString m_preparedFile;                  // the firmware or settings file the armed action uses
    InputFile m_preparedInput;               // that file's bytes as the preparation read them
    KnownType m_typeRead;                    // the last type the radio on the chosen port sent
    KnownType m_adjustType;                  // the type the prepared ADJUST write was chosen by
    std::unique_ptr<ServiceRecord> m_record; // of the run under way
    QString m_usedText;                      // the file and port the action used, as the screen named them
    bool m_recorded = false;                 // the last run's record is in the service log
};
