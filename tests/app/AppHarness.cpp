#include "AppHarness.h"
#include "SRecordFiles.h"

#include "app/ActionController.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

void ScriptedDialogs::message(QWidget *parent, const QString &text, Icon icon, const QString &title,
                              const QString &detail)
{
    if (showMessages)
        showMessages->message(parent, text, icon, title, detail);
    shown << QStringLiteral("%1%2: %3").arg(icon == Icon::Critical ? "critical " : "", title, text) +
                 (detail.isEmpty() ? QString() : " (" + detail + ")");
    if (onMessage)
        onMessage();
}

QString ScriptedDialogs::chooseFileToOpen(QWidget *, const QString &title, const QString &filter)
{
    return nextFile(false, title, filter);
}

QString ScriptedDialogs::chooseFileToSave(QWidget *, const QString &title, const QString &filter)
{
    return nextFile(true, title, filter);
}

QString ScriptedDialogs::nextFile(bool save, const QString &title, const QString &filter)
{
    fileRequests.append({save, title, filter});
    if (onFileDialog)
        onFileDialog();
    return files.isEmpty() ? QString() : files.takeFirst();
}

bool ScriptedOperations::run(const QString &name, const QString &argument, const std::function<bool()> &real,
                             WindowServices *w, QString *reason)
{
    calls << (argument.isEmpty() ? name : name + QLatin1Char(' ') + argument);
    if (onCall)
        onCall(name, argument);
    const auto it = replaced.constFind(name);
    if (it == replaced.constEnd())
        return real();
    const bool ok = (*it)();
    if (!ok && reasons.contains(name)) {
        if (reason)
            *reason = reasons.value(name);
        if (w)
            w->setFailure(reasons.value(name));
    }
    return ok;
}

bool ScriptedOperations::isWritableImage(QSqlDatabase db, const QString &table, QString *reason)
{
    return run(
        QStringLiteral("isWritableImage"), table, [&] { return RadioOperations::isWritableImage(db, table, reason); },
        nullptr, reason);
}

QString ScriptedOperations::fncTypeRead(WindowServices &w)
{
    QString type;
    run(
        QStringLiteral("fncTypeRead"), QString(),
        [&] {
            type = RadioOperations::fncTypeRead(w);
            return true;
        },
        &w);
    return replaced.contains(QStringLiteral("fncTypeRead")) ? typeText : type;
}

void ScriptedOperations::succeedWithoutRadio()
{
    for (const char *name : {"fncImportMotFile", "fncImportFirmwareFile", "isWritableImage", "fncTransmitBootProgram",
                             "fncTransmitProgram", "fncTypeRead", "fncMenuRead", "fncMemoryChennelRead",
                             "fncExportCsvFile", "fncImportCsvFile", "fncMenuWrite", "fncMemoryChennelWrite"})
        replaced.insert(QLatin1String(name), [] { return true; });
}

AppHarness::AppHarness(StringTable::Language language) : texts(language)
{
}

AppHarness::~AppHarness()
{
    m_window.reset();
}

void AppHarness::writeFile(const QString &relative, const QByteArray &content)
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

void AppHarness::addDeliveredFiles()
{
    writeFile(QStringLiteral("7730F.REL"), makeImage(99, 2048)); // a 2 KB loader
    writeFile(QStringLiteral("ADJ/FPU.D3T"), makeImage(1));
    writeFile(QStringLiteral("ADJ/FPU_SJ.D3T"), makeImage(2));
    writeFile(QStringLiteral("ADJ/FPU_VJ.D3T"), makeImage(3));
}

bool AppHarness::start()
{
    m_window = std::make_unique<frmMain>(MainSetup{folder(), texts, &operations, &dialogs, workFolder, serialPorts});
    const bool started = m_window->startUp();
    if (started)
        m_window->show();
    return started;
}

int AppHarness::enabledMenus()
{
    const MainControls &c = ui();
    int enabled = 0;
    const QList<QMenu *> menus{c.mnuMenu1, c.mnuMenu2, c.mnuMenu3, nullptr, nullptr};
    const QList<QAction *> entries = c.menuBarEntries();
    for (int i = 0; i < entries.size(); ++i)
        enabled += entries[i]->isEnabled() && (!menus[i] || menus[i]->isEnabled());
    return enabled;
}

bool AppHarness::isIdle()
{
    const MainControls &c = ui();
    for (QPushButton *b : c.preparationButtons())
        if (!b->isEnabled())
            return false;
    return enabledMenus() == 5 && !c.cmdExec->isVisible() && !c.cmdCancel->isVisible() && !c.cmdExec->isEnabled() &&
           !c.barMain->isVisible() && m_window->isEnabled() && window().actions().ActionMode() == 0;
}

void trigger(AppHarness &h, Action action, bool byMenu)
{
    const MainControls &c = h.ui();
    switch (action) {
    case Action::User:
        byMenu ? c.mnuMenu11->trigger() : c.cmdUser->click();
        break;
    case Action::Adjust:
        byMenu ? c.mnuMenu12->trigger() : c.cmdAdjust->click();
        break;
    case Action::SettingsWrite:
        byMenu ? c.mnuMenu21->trigger() : c.cmdMWrite->click();
        break;
    case Action::SettingsRead:
        byMenu ? c.mnuMenu22->trigger() : c.cmdMRead->click();
        break;
    }
}

void useTemporarySettings()
{
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    qputenv("XDG_RUNTIME_DIR", dir.filePath("runtime").toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
}

namespace {
QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("BriskHx7730"));
}
} // namespace

void storeSerialSetting(const QString &value)
{
    QSettings s = userSettings();
    if (value.isEmpty())
        s.remove(QStringLiteral("Settings/Serial"));
    else
        s.setValue(QStringLiteral("Settings/Serial"), value);
}

QString storedSerialSetting()
{
    return userSettings().value(QStringLiteral("Settings/Serial")).toString();
}

QByteArray makeImage(int seed, int size)
{
    return SRecordFiles::imageAsS2(imageBytes(seed, size));
}

QByteArray imageBytes(int seed, int size)
{
    return SRecordFiles::randomBytes(size, quint32(seed));
}
