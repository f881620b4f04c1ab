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

// The line: 9600 baud, 10 bits a character (start bit, 8 data bits, stop bit).
using LineClock = std::chrono::steady_clock;
inline constexpr int LineBaud = 9600;
inline constexpr int BitsPerCharacter = 10;
inline constexpr std::chrono::nanoseconds CharacterTime{1'000'000'000LL * BitsPerCharacter / LineBaud};

// How long `bytes` take to cross the line.
constexpr std::chrono::milliseconds lineTime(long long bytes)
{
    return std::chrono::ceil<std::chrono::milliseconds>(CharacterTime * bytes);
}
