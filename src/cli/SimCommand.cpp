#include "Commands.h"

#include <cstdio>

int runSim(const QStringList &)
{
    std::fprintf(stderr, "brisk Sim: not built yet\n");
    return ExitUsage;
}
