#pragma once

#include "StringTable.h"

// Qt's own texts (message-box buttons, "Show Details...", file dialogs) in the window's
// language, from Qt's translations (Debian: qt6-translations-l10n). English needs none.
// False when they are not installed; Qt's texts then stay English.
bool installQtTranslations(StringTable::Language language);
