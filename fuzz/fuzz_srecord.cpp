// Any bytes as an S-record file: the line checker, both cuttings and the whole
// import must neither crash nor leave rows behind a refusal.
#include "FuzzServices.h"
#include "store/SRecord.h"
#include "store/SRecordImport.h"

#include <QFile>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    static FuzzServices window;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    for (const QByteArray &line : text.split('\n')) {
        SRecord::Record record;
        SRecord::parse(line.trimmed(), record);
        cutLine(line, Cutting::RuleA);
        cutLine(line, Cutting::RuleB);
    }

    QFile file(window.scratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(text);
    file.close();
    for (const auto &[table, boot] : {std::pair{"BootPrg", true}, std::pair{"UserPrg", false}}) {
        const QString name = QString::fromLatin1(table);
        const bool ok = boot ? fncImportMotFile(window, file.fileName(), name)
                             : fncImportFirmwareFile(window, file.fileName(), name);
        const int rows = WorkDatabase::countRows(window.WorkConnection(), QStringLiteral("SELECT * FROM ") + name);
        if (rows < 0 || (!ok && rows != 0) || (!ok && window.failureReason().isEmpty()))
            std::abort(); // a refused file must leave its table empty and say why
        window.clearFailure();
    }
    return 0;
}
