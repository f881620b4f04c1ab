#pragma once

#include "SimRadio.h"

class QCommandLineParser;

namespace sim {

// The radio in its firmware mode.
class FirmwareRadio : public Personality
{
public:
    FirmwareRadio();
    void receive(char byte, std::vector<Reply> &replies) override;

    // The options of `brisk sim` for this mode, and applying them.
    static void addOptions(QCommandLineParser &parser);
    bool applyOptions(const QCommandLineParser &parser, QString *reason);
};

} // namespace sim
