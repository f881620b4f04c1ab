#pragma once

#include "app/Operations.h"
#include "app/OperatorDialogs.h"
#include "app/frmMain.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// Answers in the operator's place and remembers what the window asked.
class ScriptedDialogs : public OperatorDialogs
{
public:
    struct FileRequest
    {
        bool save;
        QString title;
        QString filter;
    };

    void message(QWidget *, const QString &text, Icon icon, const QString &title, const QString &detail) override;
    QString chooseFileToOpen(QWidget *, const QString &title, const QString &filter) override;
    QString chooseFileToSave(QWidget *, const QString &title, const QString &filter) override;
    void openDocument(QWidget *, const QString &path) override { documents << path; }

    QStringList files;                       // answers to the file dialogs in turn; "" cancels
    std::function<void()> onMessage;         // runs while the box would be up
    OperatorDialogs *showMessages = nullptr; // shows the boxes for real when set
    std::function<void()> onFileDialog;      // runs while the dialog would be up
    QStringList shown;                       // each box as "[critical ]title: text[ (detail)]"
    QList<FileRequest> fileRequests;
    QStringList documents;

private:
    QString nextFile(bool save, const QString &title, const QString &filter);
};

// The real operations, each of which a test may replace or watch.
class ScriptedOperations : public RadioOperations
{
public:
    using Hook = std::function<bool()>;

// Each operation goes through run(): recorded, watched, and replaced when a test says so.
#define BRISK_SCRIPTED(name, argument, parameters, ...)                                                                \
    bool name parameters override                                                                                      \
    {                                                                                                                  \
        return run(                                                                                                    \
            QStringLiteral(#name), argument, [&] { return RadioOperations::name(__VA_ARGS__); }, &w);                  \
    }
    BRISK_SCRIPTED(fncImportMotFile, path, (WindowServices & w, const QString &path, const QString &table), w, path,
                   table)
    BRISK_SCRIPTED(fncImportFirmwareFile, path, (WindowServices & w, const QString &path, const QString &table), w,
                   path, table)
    BRISK_SCRIPTED(fncTransmitBootProgram, QString(), (WindowServices & w), w)
    BRISK_SCRIPTED(fncTransmitProgram, table, (WindowServices & w, const QString &table), w, table)
    BRISK_SCRIPTED(fncMenuRead, QString(), (WindowServices & w), w)
    BRISK_SCRIPTED(fncMemoryChennelRead, QString(), (WindowServices & w), w)
    BRISK_SCRIPTED(fncExportCsvFile, path, (WindowServices & w, const QString &path), w, path)
    BRISK_SCRIPTED(fncImportCsvFile, path, (WindowServices & w, const QString &path), w, path)
    BRISK_SCRIPTED(fncMenuWrite, QString(), (WindowServices & w), w)
    BRISK_SCRIPTED(fncMemoryChennelWrite, QString(), (WindowServices & w), w)
    bool isWritableImage(QSqlDatabase db, const QString &table, QString *reason) override;
    QString fncTypeRead(WindowServices &w) override;
#undef BRISK_SCRIPTED

    // Replaces every radio and file operation by one that succeeds at once.
    void succeedWithoutRadio();

    // An operation named here returns the hook's result instead of running.
    QHash<QString, Hook> replaced;
    // The reason a replaced operation leaves when its hook returns false.
    QHash<QString, QString> reasons;
    QString typeText = QStringLiteral("K"); // fncTypeRead's answer when replaced
    // Runs at the start of every operation, with its name and its text argument.
    std::function<void(const QString &name, const QString &argument)> onCall;
    QStringList calls; // "name argument"

private:
    bool run(const QString &name, const QString &argument, const std::function<bool()> &real, WindowServices *w,
             QString *reason = nullptr);
};

// A program folder with the window started in it.
class AppHarness
{
public:
    explicit AppHarness(StringTable::Language language = StringTable::Language::English);
    ~AppHarness();

    QString folder() const { return m_dir.path(); }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    void writeFile(const QString &relative, const QByteArray &content);
    // A small boot loader (S2 records) and the three ADJUST files.
    void addDeliveredFiles();

    bool start();
    // The delivered files and every operation succeeding at once; then start().
    void prepareScripted()
    {
        addDeliveredFiles();
        operations.succeedWithoutRadio();
    }
    bool startScripted()
    {
        prepareScripted();
        return start();
    }
    frmMain &window() { return *m_window; }
    const MainControls &ui() { return m_window->controls(); }
    void destroyWindow() { m_window.reset(); }

    // Idle as the window shows it: buttons and menus enabled, exec/cancel hidden.
    bool isIdle();
    // Menu-bar entries that can be opened or chosen (both the entry and its menu).
    int enabledMenus();

    ScriptedDialogs dialogs;
    ScriptedOperations operations;
    StringTable texts;
    QString workFolder;                                  // empty: the program's folder
    std::function<QList<SerialPortEntry>()> serialPorts; // empty: the system's

private:
    QTemporaryDir m_dir;
    std::unique_ptr<frmMain> m_window;
};

enum class Action { User, Adjust, SettingsWrite, SettingsRead };
// Starts an action by its button or by its menu entry.
void trigger(AppHarness &h, Action action, bool byMenu = false);

// Per-user settings, data and runtime folders go to folders of the test's own; call
// before any QSettings.
void useTemporarySettings();
void storeSerialSetting(const QString &value); // empty: remove
QString storedSerialSetting();

// A 256 KB image as S2 records of 16 bytes.
QByteArray makeImage(int seed, int size = 256 * 1024);
// The bytes makeImage(seed, size) holds.
QByteArray imageBytes(int seed, int size = 256 * 1024);
