// TEMPORARY: stands in for operations of branches not merged yet; removed before finishing.
#include "flash/BootTransfer.h"
#include "flash/ProgramTransfer.h"
#define W __attribute__((weak))
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
