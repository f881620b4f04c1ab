#include "Commands.h"

#include <cstdio>

namespace {
int notBuilt()
{
    std::fprintf(stderr, "brisk: not built yet\n");
    return ExitUsage;
}
} // namespace

int runType(const QStringList &)
{
    return notBuilt();
}
int runRead(const QStringList &)
{
    return notBuilt();
}
int runWrite(const QStringList &)
{
    return notBuilt();
}
