#pragma once

// The terminal `brisk` runs in, on each system.
namespace Console {

// True when progress can be redrawn in place on stderr.
bool stderrIsTerminal();
// The terminal shows text in the encoding the program writes it in (the locale's).
void matchOutputEncoding();

} // namespace Console

// Ctrl-C, the session's end or a closed terminal (SIGINT, SIGTERM, SIGHUP; on Windows
// the console's control events), while one of these is alive, only raise a flag: the
// operation sees it at its next poll, closes the port and says what the radio may now
// hold, and the command ends normally, so its record is written and its working
// database removed.
class StopSignals
{
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;
    // The signal that asked to stop, as its POSIX number (2, 15, 1); 0 while none has.
    static int received();
};
