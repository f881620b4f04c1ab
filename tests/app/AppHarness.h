#pragma once

#include "SRecordFiles.h"

#include "app/ActionController.h"
#include "app/Operations.h"
#include "app/OperatorDialogs.h"
#include "app/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

// Answers in the operator's place and keeps what the window showed.
class ScriptedDialogs : public OperatorDialogs
{
public:
    void message(QWidget *parent, const QString &text, Icon icon, const QString &title, const QString &detail) override
    {
        if (showMessages)
            showMessages->message(parent, text, icon, title, detail);
        shown << (icon == Icon::Critical ? "critical " : "") + title + ": " + text +
                     (detail.isEmpty() ? "" : " (" + detail + ")");
        if (onMessage)
            onMessage();
    }
    QString chooseFileToOpen(QWidget *, const QString &t, const QString &f) override { return next("open", t, f); }
    QString chooseFileToSave(QWidget *, const QString &t, const QString &f) override { return next("save", t, f); }
    void openDocument(QWidget *, const QString &path) override { shown << "document " + path; }

    QStringList files;                                 // answers to the file dialogs in turn; none cancels
    QStringList shown;                                 // "[critical ]title: text[ (detail)]", "document PATH"
    std::function<void()> onMessage;                   // while the box would be up
    std::function<void(const QString &)> onFileDialog; // "open|save title filter", while it would be up
    OperatorDialogs *showMessages = nullptr;           // shows the boxes for real too

private:
    QString next(const QString &kind, const QString &title, const QString &filter)
    {
        if (onFileDialog)
            onFileDialog(kind + ' ' + title + ' ' + filter);
        return files.isEmpty() ? QString() : files.takeFirst();
    }
};

// The real operations, each recorded in `calls` as "name[ argument]" and replaceable by
// a hook; a hook that returns false leaves the reason "failed".
class ScriptedOperations : public RadioOperations
{
public:
#define BRISK_SCRIPTED(name, argument, parameters, ...)                                                                \
    bool name parameters override                                                                                      \
    {                                                                                                                  \
        return run(#name, argument, &w, nullptr, [&] { return RadioOperations::name(__VA_ARGS__); });                  \
    }
    BRISK_SCRIPTED(fncImportMotFile, p, (WindowServices & w, const QString &p, const QString &t), w, p, t)
    BRISK_SCRIPTED(fncImportFirmwareFile, p, (WindowServices & w, const QString &p, const QString &t), w, p, t)
    BRISK_SCRIPTED(fncTransmitBootProgram, "", (WindowServices & w), w)
    BRISK_SCRIPTED(fncTransmitProgram, t, (WindowServices & w, const QString &t), w, t)
    BRISK_SCRIPTED(fncMenuRead, "", (WindowServices & w), w)
    BRISK_SCRIPTED(fncMemoryChennelRead, "", (WindowServices & w), w)
    BRISK_SCRIPTED(fncExportCsvFile, p, (WindowServices & w, const QString &p), w, p)
    BRISK_SCRIPTED(fncImportCsvFile, p, (WindowServices & w, const QString &p), w, p)
    BRISK_SCRIPTED(fncMenuWrite, "", (WindowServices & w), w)
    BRISK_SCRIPTED(fncMemoryChennelWrite, "", (WindowServices & w), w)
#undef BRISK_SCRIPTED
    bool isWritableImage(QSqlDatabase db, const QString &t, QString *reason) override
    {
        return run("isWritableImage", t, nullptr, reason,
                   [&] { return RadioOperations::isWritableImage(db, t, reason); });
    }
    QString fncTypeRead(WindowServices &w) override
    {
        QString type = typeText;
        run("fncTypeRead", "", &w, nullptr, [&] {
            type = RadioOperations::fncTypeRead(w);
            return true;
        });
        return type;
    }

    bool withoutRadio = false; // every operation not replaced succeeds at once; fncTypeRead answers typeText
    QString typeText = "K";
    QHash<QString, std::function<bool()>> replaced;
    std::function<void(const QString &call)> onCall; // as each operation starts
    QStringList calls;

private:
    bool run(const QString &name, const QString &argument, WindowServices *w, QString *reason,
             const std::function<bool()> &real)
    {
        calls << (name + ' ' + argument).trimmed();
        if (onCall)
            onCall(calls.last());
        if (!replaced.contains(name))
            return withoutRadio || real();
        if (replaced[name]())
            return true;
        w ? w->setFailure("failed") : void(*reason = "failed");
        return false;
    }
};

enum class Action { User, Adjust, SettingsWrite, SettingsRead };

// A program folder with the window started in it.
class AppHarness
{
public:
    explicit AppHarness(StringTable::Language language = StringTable::Language::English) : texts(language) {}

    QString folder() const { return m_dir.path(); }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    void writeFile(const QString &relative, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        SRecordFiles::writeFile(path(relative), content);
    }
    // A 2 KB boot loader (seed 99) and the three ADJUST files (seeds 1 to 3).
    void addDeliveredFiles()
    {
        writeFile("7730F.REL", image(99, 2048));
        int seed = 1;
        for (const char *file : {"ADJ/FPU.D3T", "ADJ/FPU_SJ.D3T", "ADJ/FPU_VJ.D3T"})
            writeFile(file, image(seed++));
    }
    bool start()
    {
        m_window =
            std::make_unique<frmMain>(MainSetup{folder(), texts, &operations, &dialogs, workFolder, serialPorts});
        if (!m_window->startUp())
            return false;
        m_window->show();
        return true;
    }
    // The delivered files and every operation succeeding at once; then start().
    bool startScripted()
    {
        addDeliveredFiles();
        operations.withoutRadio = true;
        return start();
    }
    frmMain &window() { return *m_window; }
    const MainControls &ui() { return m_window->controls(); }
    void destroyWindow() { m_window.reset(); }
    void trigger(Action action, bool byMenu = false)
    {
        const MainControls &c = ui();
        QPushButton *const buttons[] = {c.cmdUser, c.cmdAdjust, c.cmdMWrite, c.cmdMRead};
        QAction *const menus[] = {c.mnuMenu11, c.mnuMenu12, c.mnuMenu21, c.mnuMenu22};
        byMenu ? menus[int(action)]->trigger() : buttons[int(action)]->click();
    }

    // The window's state in the words of the state table, with lblAction, lblInstruction,
    // lblCaution and (when shown) cmdExec by string number, FileName and the bar's maximum.
    QString state()
    {
        const MainControls &c = ui();
        // The controls' own flags, as the table gives them, whether the window is enabled or not.
        auto on = [&](QWidget *w) { return int(w->isEnabledTo(m_window.get())); };
        auto shown = [&](QPushButton *b) { return !b->isVisible() ? "-" : on(b) ? "E" : "x"; };
        int buttons = 0, menus = 0;
        for (QPushButton *b : c.preparationButtons())
            buttons += on(b);
        for (QAction *entry : c.menuBarEntries())
            menus += entry->isEnabled();
        // Window enabled, buttons and menus enabled, cmdExec and cmdCancel, bar shown, hourglass.
        const QString flags =
            QString::asprintf("%d %d %d %s %s %d %d", on(m_window.get()), buttons, menus, shown(c.cmdExec),
                              shown(c.cmdCancel), c.barMain->isVisible(), QApplication::overrideCursor() != nullptr);
        static const QHash<QString, QString> names{{"1 4 5 - - 0 0", "Idle"},      {"1 0 0 x E 0 0", "Preparing"},
                                                   {"0 0 0 x E 0 1", "Importing"}, {"1 0 0 E E 0 0", "Armed"},
                                                   {"0 0 0 x x 1 1", "Running"},   {"1 0 0 x x 0 0", "Reporting"}};
        QString state = names.value(flags, "(" + flags + ")"), labels;
        for (QWidget *control : QList<QWidget *>{c.lblAction, c.lblInstruction, c.lblCaution, c.cmdExec})
            if (control->isVisibleTo(m_window.get()))
                labels += (labels.isEmpty() ? "" : "/") + textNumber(control->property("text").toString());
        if (const QString file = m_window->actions().FileName(); !file.isEmpty())
            labels += " file " + QDir(folder()).relativeFilePath(file);
        if (state != "Idle" || labels != "101/110/-" || m_window->actions().ActionMode() != 0)
            state += ' ' + labels;
        return c.barMain->isVisible() ? state + " bar " + QString::number(c.barMain->maximum()) : state;
    }
    bool isIdle() { return state() == "Idle"; }
    // The number of the string-table entry that reads `text`; "-" for none, else the text itself.
    QString textNumber(const QString &text)
    {
        for (int id = 101; id <= 154 && !text.isEmpty(); ++id)
            if (texts(id) == text)
                return QString::number(id);
        return text.isEmpty() ? "-" : '"' + text + '"';
    }

    // An image of `size` random bytes of `seed` as S2 records of 16 bytes.
    static QByteArray image(int seed, int size = 256 * 1024)
    {
        return SRecordFiles::imageAsS2(SRecordFiles::randomBytes(size, quint32(seed)));
    }
    // Per-user settings, data and runtime folders of the test's own; before any QSettings.
    static void useTemporarySettings()
    {
        static QTemporaryDir dir;
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            qputenv(name, dir.filePath(name).toUtf8());
    }

    ScriptedDialogs dialogs;
    ScriptedOperations operations;
    StringTable texts;
    QString workFolder;                                  // empty: the program's folder
    std::function<QList<SerialPortEntry>()> serialPorts; // empty: the system's

private:
    QTemporaryDir m_dir;
    std::unique_ptr<frmMain> m_window;
};
