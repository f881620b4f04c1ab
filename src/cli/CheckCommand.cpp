#include "Commands.h"

#include <cstdio>

int runCheck(const QStringList &)
{
    std::fprintf(stderr, "brisk check: not built yet\n");
    return ExitUsage;
}
