#pragma once

#include "link/LinkTiming.h"
#include "link/clsBriskHx7730.h"

#include <QObject>

#include <chrono>

// Base of suites that talk to a radio: each test runs with a short reply limit
// and leaves the real timing and no port mapping behind it.
class LinkTestCase : public QObject
{
    Q_OBJECT

public:
    explicit LinkTestCase(std::chrono::milliseconds replyLimit,
                          std::chrono::milliseconds aiPause = LinkTiming::DefaultAiPause)
        : m_replyLimit(replyLimit), m_aiPause(aiPause)
    {
    }

protected slots:
    void init()
    {
        linkTiming().replyLimit = m_replyLimit;
        linkTiming().aiPause = m_aiPause;
    }
    void cleanup()
    {
        linkTiming() = LinkTiming{};
        clsBriskHx7730::clearPortOverrides();
    }

private:
    std::chrono::milliseconds m_replyLimit;
    std::chrono::milliseconds m_aiPause;
};
