#include "RadioType.h"

int radioTypeOf(const QString &typeText)
{
    if (typeText == QLatin1String("J(S)") || typeText == QLatin1String("J(S) - EXT"))
        return 1;
    if (typeText == QLatin1String("J(V)") || typeText == QLatin1String("J(V) - EXT"))
        return 2;
    return 0;
}
