#include "NormalRadio.h"

#include <QCommandLineParser>

namespace sim {

NormalRadio::NormalRadio() = default;

void NormalRadio::receive(char, std::vector<Reply> &replies)
{
    Q_UNUSED(replies);
}

void NormalRadio::addOptions(QCommandLineParser &)
{
}

bool NormalRadio::applyOptions(const QCommandLineParser &, QString *)
{
    return true;
}

} // namespace sim
