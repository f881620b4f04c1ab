#include "Commands.h"

#include <cstdio>

int runPorts(const QStringList &)
{
    std::fprintf(stderr, "brisk Ports: not built yet\n");
    return ExitUsage;
}
