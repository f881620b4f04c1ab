// Any bytes sent to the simulated radio in normal mode: its command parser must
// answer without crashing, and every answer must be a whole ";"-ended reply.
#include "sim/NormalRadio.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One radio for the run (filling its memory is the slow part); a ";" first ends
    // whatever command the previous input left unfinished.
    static sim::NormalRadio radio;
    std::vector<sim::Reply> replies;
    radio.receive(';', replies);
    for (size_t i = 0; i < size; ++i) {
        replies.clear();
        radio.receive(char(data[i]), replies);
        for (const sim::Reply &reply : replies)
            if (reply.bytes.isEmpty() || !reply.bytes.endsWith(';'))
                std::abort();
    }
    return 0;
}
