#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {

std::unique_ptr<QTranslator> installed(const QString &name, const QString &folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(name, folder) && QCoreApplication::installTranslator(translator.get()))
        return translator;
    return nullptr;
}

} // namespace

WindowTranslations::WindowTranslations(StringTable::Language language)
{
    // Only Japanese: texts of another language would mix with the English table.
    if (language != StringTable::Language::Japanese)
        return;
    m_qt = installed(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    m_brisk = installed(QStringLiteral("brisk_ja"), QStringLiteral(":/i18n"));
}

WindowTranslations::~WindowTranslations()
{
    for (const auto &translator : {m_brisk.get(), m_qt.get()})
        if (translator)
            QCoreApplication::removeTranslator(translator);
}
