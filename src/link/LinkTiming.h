#pragma once

#include <chrono>

// The radio link's time limits. They are constants of the program; tests may
// shorten them here (and only here) so that the suite stays fast.
struct LinkTiming
{
    static constexpr std::chrono::milliseconds DefaultReplyLimit{5000};
    static constexpr std::chrono::milliseconds DefaultAiPause{100};

    std::chrono::milliseconds replyLimit = DefaultReplyLimit; // every answer of the radio
    std::chrono::milliseconds aiPause = DefaultAiPause;       // after AI, before the receive queue is purged
};

LinkTiming &linkTiming();
