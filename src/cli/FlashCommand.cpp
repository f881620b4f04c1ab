#include "Commands.h"

#include <cstdio>

int runFlash(const QStringList &)
{
    std::fprintf(stderr, "brisk Flash: not built yet\n");
    return ExitUsage;
}
