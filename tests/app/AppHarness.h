#pragma once

#include "SRecordFiles.h"

#include "app/ActionController.h"
#include "app/Operations.h"
#include "app/OperatorDialogs.h"
#include "app/QtTranslations.h"
#include "app/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Answers in the operator's place and keeps what the window showed.
class ScriptedDialogs : public OperatorDialogs
{
public:
    void message(QWidget *parent, const QString &text, Icon icon, const QString &title, const QString &reason,
                 const QString &trail) override
    {
        shown << (icon == Icon::Critical ? "critical " : "") + title + ": " + text +
                     (reason.isEmpty() ? "" : " (" + reason + ")");
        trails << trail;
        if (realBoxes)
            DesktopDialogs().message(parent, text, icon, title, reason, trail);
        if (onMessage)
            onMessage();
    }
    QString chooseFileToOpen(QWidget *, const QString &t, const QString &f) override { return next("open", t, f); }
    QString chooseFileToSave(QWidget *, const QString &t, const QString &f) override { return next("save", t, f); }
    void openDocument(QWidget *parent, const QString &path) override
    {
        shown << "document " + path;
        DesktopDialogs().openDocument(parent, path);
    }
    QString chooseRadioType(QWidget *, const QString &preselected) override
    {
        shown << "type dialog: " + preselected;
        if (onMessage)
            onMessage();
        return types.isEmpty() ? QString() : types.takeFirst();
    }

    QStringList files;                                 // answers to the file dialogs in turn; none cancels
    QStringList types;                                 // answers to the type dialog in turn; none cancels
    QStringList shown;                                 // "[critical ]title: text[ (reason)]", "document PATH"
    QStringList trails;                                // each box's trail behind "Show Details..."
    bool realBoxes = false;                            // the boxes shown as the desktop shows them
    std::function<void()> onMessage;                   // while the box would be up
    std::function<void(const QString &)> onFileDialog; // "open|save title filter", while it would be up

private:
    QString next(const QString &kind, const QString &title, const QString &filter)
    {
        if (onFileDialog)
            onFileDialog(kind + ' ' + title + ' ' + filter);
        return files.isEmpty() ? QString() : files.takeFirst();
    }
};

// The real operations, each recorded in `calls` as "name[ argument]", or without a radio
// ones that succeed at once unless named in `failing`.
class ScriptedOperations : public RadioOperations
{
public:
#define BRISK_SCRIPTED(name, argument, window, reason, parameters, ...)                                                \
    bool name parameters override                                                                                      \
    {                                                                                                                  \
        return run(#name, argument, window, reason, [&] { return RadioOperations::name(__VA_ARGS__); });               \
    }
    BRISK_SCRIPTED(fncImportMotFile, p, &w, nullptr, (WindowServices & w, const QString &p, const QString &t), w, p, t)
    BRISK_SCRIPTED(fncImportFirmwareFile, p, &w, nullptr, (WindowServices & w, const QString &p, const QString &t), w,
                   p, t)
    BRISK_SCRIPTED(isWritableImage, t, nullptr, r, (QSqlDatabase db, const QString &t, QString *r), db, t, r)
    BRISK_SCRIPTED(fncTransmitBootProgram, "", &w, nullptr, (WindowServices & w), w)
    BRISK_SCRIPTED(fncTransmitProgram, t, &w, nullptr, (WindowServices & w, const QString &t), w, t)
    BRISK_SCRIPTED(fncMenuRead, "", &w, nullptr, (WindowServices & w), w)
    BRISK_SCRIPTED(fncMemoryChennelRead, "", &w, nullptr, (WindowServices & w), w)
    BRISK_SCRIPTED(fncExportCsvFile, p, &w, nullptr, (WindowServices & w, const QString &p), w, p)
    BRISK_SCRIPTED(fncImportCsvFile, p, &w, nullptr, (WindowServices & w, const QString &p), w, p)
    BRISK_SCRIPTED(fncMenuWrite, "", &w, nullptr, (WindowServices & w), w)
    BRISK_SCRIPTED(fncMemoryChennelWrite, "", &w, nullptr, (WindowServices & w), w)
#undef BRISK_SCRIPTED
    QString fncTypeRead(WindowServices &w) override
    {
        run("fncTypeRead", "", &w, nullptr, [] { return true; }); // recorded; the read itself here
        return withoutRadio ? typeText : RadioOperations::fncTypeRead(w);
    }

    bool withoutRadio = false; // every operation not replaced succeeds at once; fncTypeRead answers typeText
    QString typeText = "K";
    QStringList failing; // operations that fail (with the reason "failed") when withoutRadio
    std::function<void(const QString &call)> onCall; // as each operation starts
    QStringList calls;

private:
    bool run(const QString &name, const QString &argument, WindowServices *w, QString *reason,
             const std::function<bool()> &real)
    {
        calls << (name + ' ' + argument).trimmed();
        if (onCall)
            onCall(calls.last());
        if (!withoutRadio || !failing.contains(name))
            return withoutRadio || real();
        w ? w->setFailure("failed") : void(*reason = "failed");
        return false;
    }
};

enum class Action { User, Adjust, SettingsWrite, SettingsRead };

// A program folder with the window started in it.
class AppHarness
{
public:
    explicit AppHarness(StringTable::Language language = StringTable::Language::English)
        : texts(language), translations(language)
    {
    }

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
        const bool started = m_window->startUp();
        m_window->setVisible(started);
        return started;
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
        // The number of the string-table entry that reads a text; "-" for none, else the text itself.
        auto number = [this](const QString &text) {
            for (int id = 101; id <= 154 && !text.isEmpty(); ++id)
                if (texts(id) == text)
                    return QString::number(id);
            return text.isEmpty() ? "-" : '"' + text + '"';
        };
        QString state = names.value(flags, "(" + flags + ")"), labels;
        for (QWidget *control : QList<QWidget *>{c.lblAction, c.lblInstruction, c.lblCaution, c.cmdExec})
            if (control->isVisibleTo(m_window.get()))
                labels += (labels.isEmpty() ? "" : "/") + number(control->property("text").toString());
        if (const QString file = m_window->actions().FileName(); !file.isEmpty())
            labels += " file " + QDir(folder()).relativeFilePath(file);
        if (state != "Idle" || labels != "101/110/-" || m_window->actions().ActionMode() != 0)
            state += ' ' + labels + (c.lblType->text().isEmpty() ? "" : " [" + c.lblType->text() + ']');
        if (!c.lblPrepared->text().isEmpty())
            state += " {" + QString(c.lblPrepared->text()).replace('\n', " | ") + '}';
        return c.barMain->isVisible() ? state + " bar " + QString::number(c.barMain->maximum()) : state;
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
    WindowTranslations translations;
    QString workFolder; // empty: the program's folder
    std::function<QList<SerialPortEntry>()> serialPorts = [] { return QList<SerialPortEntry>{}; };

private:
    QTemporaryDir m_dir;
    std::unique_ptr<frmMain> m_window;
};
