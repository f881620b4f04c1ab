#include "Commands.h"

#include <cstdio>

// The simulated radio lives on a pseudo-terminal, which Windows does not have.
int runSim(const QStringList &)
{
    std::fprintf(stderr, "brisk sim: the simulated radio runs on Linux (a pseudo-terminal stands in for the "
                         "cable); run it there and map its device as COM1\n");
    return ExitUsage;
}
