#include "Operations.h"

#include "clone/MemoryChannels.h"
#include "clone/MenuTransfer.h"
#include "clone/SettingsFile.h"
#include "clone/TypeRead.h"
#include "flash/BootTransfer.h"
#include "flash/ProgramTransfer.h"
#include "store/SRecordImport.h"

bool RadioOperations::fncImportMotFile(WindowServices &window, const QString &path, const QString &table)
{
    return ::fncImportMotFile(window, path, table);
}

bool RadioOperations::fncImportFirmwareFile(WindowServices &window, const QString &path, const QString &table)
{
    return ::fncImportFirmwareFile(window, path, table);
}

bool RadioOperations::isWritableImage(QSqlDatabase db, const QString &table, QString *reason)
{
    return ::isWritableImage(db, table, reason);
}

bool RadioOperations::fncTransmitBootProgram(WindowServices &window)
{
    return ::fncTransmitBootProgram(window);
}

bool RadioOperations::fncTransmitProgram(WindowServices &window, const QString &table)
{
    return ::fncTransmitProgram(window, table);
}

QString RadioOperations::fncTypeRead(WindowServices &window)
{
    return ::fncTypeRead(window);
}

bool RadioOperations::fncMenuRead(WindowServices &window)
{
    return ::fncMenuRead(window);
}

bool RadioOperations::fncMemoryChennelRead(WindowServices &window)
{
    return ::fncMemoryChennelRead(window);
}

bool RadioOperations::fncExportCsvFile(WindowServices &window, const QString &path)
{
    return ::fncExportCsvFile(window, path);
}

bool RadioOperations::fncImportCsvFile(WindowServices &window, const QString &path)
{
    return ::fncImportCsvFile(window, path);
}

bool RadioOperations::fncMenuWrite(WindowServices &window)
{
    return ::fncMenuWrite(window);
}

bool RadioOperations::fncMemoryChennelWrite(WindowServices &window)
{
    return ::fncMemoryChennelWrite(window);
}
