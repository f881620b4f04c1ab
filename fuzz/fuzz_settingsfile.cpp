// Any bytes as a settings file: the parser and the whole load must neither crash
// nor leave rows behind a refusal, and what loads must export and load back alike.
#include "FuzzServices.h"
#include "clone/SettingsFile.h"

#include <QFile>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    static FuzzServices window;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    SettingsRows rows;
    QString reason;
    const bool parsed = parseSettingsText(text, rows, &reason);
    if (!parsed && reason.isEmpty())
        std::abort();

    QFile file(window.scratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(text);
    file.close();
    const bool loaded = fncImportCsvFile(window, file.fileName());
    const auto count = [&](const char *table) {
        return WorkDatabase::countRows(window.WorkConnection(),
                                       QStringLiteral("SELECT * FROM ") + QLatin1String(table));
    };
    if (!loaded && (count("MemoryData") != 0 || count("MenuData") != 0))
        std::abort(); // a refused file loads nothing
    if (loaded) {
        // Files the program writes always load back, to the same rows.
        const QString again = window.scratchFile() + QStringLiteral(".csv");
        if (fncExportCsvFile(window, again)) {
            QFile exported(again);
            exported.open(QIODevice::ReadOnly);
            const QByteArray first = exported.readAll();
            if (!fncImportCsvFile(window, again) || !fncExportCsvFile(window, again))
                std::abort();
            exported.seek(0);
            QFile second(again);
            second.open(QIODevice::ReadOnly);
            if (second.readAll() != first)
                std::abort();
        }
    }
    window.clearFailure();
    return 0;
}
