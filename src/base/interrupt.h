// Signals that stop a run from outside (Ctrl-C, SIGTERM, SIGHUP): the run stops
// at its next jump or blocking call, with everything written kept.
#pragma once

#include <signal.h>

#include <csignal>

namespace corvel {

// The signal that asked the run to stop, or 0. Set by the signal handler only.
extern volatile std::sig_atomic_t pendingStop;

// Catches SIGINT, SIGTERM and SIGHUP so that they stop the run cleanly instead
// of killing it, and ignores SIGPIPE so that a reader that went away shows as a
// failed write. A signal that whoever started us ignores stays ignored. Called
// once, before anything runs.
void catchStopSignals();

// Ends the run for the pending signal: what standard input holds that the run
// did not use is left for the next reader, printed text and open files are
// written out, and the status is 128 plus the signal number, as shells expect.
// A second signal meanwhile ends the process at once.
[[noreturn]] void stopForSignal();

// Where the run already branches (a jump) or waits (a blocking call): stops
// the run if a signal asked for it.
inline void stopIfRequested() {
  if (pendingStop != 0) [[unlikely]]
    stopForSignal();
}

// The status the run ends with: 128 plus the signal number once a stop signal
// has arrived, else `status`. The first time it finds a stop, a further stop
// signal is made to end the process at once.
int stopStatus(int status);
// The same, as the very last step before the process ends: the stop signals
// are blocked first, so that one arriving now is still counted.
int finalStatus(int status);

// What a child process started by the run inherits: the signal mask and the
// signals whose disposition the run changed, which the child gets back at
// their defaults. Signals ignored by whoever started us stay ignored.
struct ChildSignals {
  sigset_t mask;
  sigset_t defaults;
};
const ChildSignals& childSignals();

// Blocks the stop signals until the returned guard ends, so that a stop that
// arrives while a child starts is only noticed once the child's process id is
// known. `previous` receives the mask to wait with.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked();
  ~StopSignalsBlocked();
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;
  // The mask as it was before: waiting with it lets the stop signals in.
  const sigset_t& previous() const { return previous_; }

 private:
  sigset_t previous_;
};

}  // namespace corvel
