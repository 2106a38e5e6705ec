// Signals that stop a run from outside (Ctrl-C, SIGTERM, SIGHUP): the run stops
// at its next jump or blocking call, with everything written kept.
#pragma once

#include <csignal>

namespace corvel {

// The signal that asked the run to stop, or 0. Set by the signal handler only.
extern volatile std::sig_atomic_t pendingStop;

// Catches SIGINT, SIGTERM and SIGHUP so that they stop the run cleanly instead
// of killing it, and ignores SIGPIPE so that a reader that went away shows as a
// failed write. Called once, before anything runs.
void catchStopSignals();

// Ends the run for the pending signal: printed text and open files are written
// out, and the status is 128 plus the signal number, as shells expect. A second
// signal during that ends the process at once.
[[noreturn]] void stopForSignal();

// Where the run already branches (a jump) or waits (a blocking call): stops
// the run if a signal asked for it.
inline void stopIfRequested() {
  if (pendingStop != 0) [[unlikely]]
    stopForSignal();
}

}  // namespace corvel
