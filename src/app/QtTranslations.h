#pragma once

#include "StringTable.h"

#include <QTranslator>

#include <memory>

// The window's texts beyond the string table, in the table's language while this
// lives: Qt's own (message-box buttons, "Show Details...", file dialogs, from
// Debian's qt6-translations-l10n) and Brisk's own (reasons, notes, dialogs, built
// into the program). English needs none.
class WindowTranslations
{
public:
    explicit WindowTranslations(StringTable::Language language);
    ~WindowTranslations();
    WindowTranslations(const WindowTranslations &) = delete;
    WindowTranslations &operator=(const WindowTranslations &) = delete;

    // False when Qt's own translations are not installed; its texts then stay English.
    bool hasQtTexts() const { return m_qt != nullptr; }

private:
    std::unique_ptr<QTranslator> m_qt;
    std::unique_ptr<QTranslator> m_brisk;
};
