#include "AdjustFile.h"

#include <QDir>

QString adjustFileName(int radioType)
{
    switch (radioType) {
    case 1:
        return QStringLiteral("FPU_SJ.D3T");
    case 2:
        return QStringLiteral("FPU_VJ.D3T");
    default:
        return QStringLiteral("FPU.D3T");
    }
}

QString adjustRelativeName(int radioType)
{
    return QStringLiteral("ADJ") + QDir::separator() + adjustFileName(radioType);
}
