// TEMPORARY: stands in for operations of branches not merged yet; removed before finishing.
#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "flash/BootTransfer.h"
#include "flash/ProgramTransfer.h"
#include "store/SRecordImport.h"
#define W __attribute__((weak))
W bool fncImportMotFile(WindowServices &, const QString &, const QString &)
{
    return false;
}
W bool fncImportFirmwareFile(WindowServices &, const QString &, const QString &)
{
    return false;
}
W bool isWritableImage(QSqlDatabase, const QString &, QString *)
{
    return false;
}
W bool fncTransmitBootProgram(WindowServices &)
{
    return false;
}
W bool fncTransmitProgram(WindowServices &, const QString &)
{
    return false;
}
W QString fncTypeRead(WindowServices &)
{
    return {};
}
W bool fncMenuRead(WindowServices &)
{
    return false;
}
W bool fncMemoryChennelRead(WindowServices &)
{
    return false;
}
W bool fncExportCsvFile(WindowServices &, const QString &)
{
    return false;
}
W bool fncImportCsvFile(WindowServices &, const QString &)
{
    return false;
}
W bool fncMenuWrite(WindowServices &)
{
    return false;
}
W bool fncMemoryChennelWrite(WindowServices &)
{
    return false;
}
W QString memoryGroupQuery()
{
    return QStringLiteral("SELECT * FROM MemoryData");
}
