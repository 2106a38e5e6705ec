// Signals that stop a run from outside (Ctrl-C, SIGTERM, SIGHUP): the run stops
// at its next jump or blocking call, with everything written kept.
#include "base/interrupt.h"

#include <signal.h>

#include <cstdlib>

#include "base/console.h"
#include "base/fault.h"

namespace corvel {

volatile std::sig_atomic_t pendingStop = 0;

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void noteStop(int signal) { pendingStop = signal; }

}  // namespace

void catchStopSignals() {
  struct sigaction action {};
  action.sa_handler = noteStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking call returns early, so that the run notices.
  action.sa_flags = 0;
  for (int signal : kStopSignals) {
    struct sigaction previous {};
    ::sigaction(signal, nullptr, &previous);
    // A signal ignored by whoever started us (nohup, a background job) stays
    // ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
  ::signal(SIGPIPE, SIG_IGN);
}

void stopForSignal() {
  int signal = pendingStop;
  // A second signal while the text is written ends the process at once.
  for (int s : kStopSignals) ::signal(s, SIG_DFL);
  consoleFlush();
  runFlushHooks();
  consoleFlush();
  std::_Exit(128 + signal);
}

}  // namespace corvel
