#include "FirmwareRadio.h"

#include <QCommandLineParser>

namespace sim {

FirmwareRadio::FirmwareRadio() = default;

void FirmwareRadio::receive(char, std::vector<Reply> &replies)
{
    Q_UNUSED(replies);
}

void FirmwareRadio::addOptions(QCommandLineParser &)
{
}

bool FirmwareRadio::applyOptions(const QCommandLineParser &, QString *)
{
    return true;
}

} // namespace sim
