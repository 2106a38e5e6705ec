// Signals that stop a run from outside (Ctrl-C, SIGTERM, SIGHUP): the run stops
// at its next jump or blocking call, with everything written kept.
#include "base/interrupt.h"

#include <unistd.h>

#include "base/fault.h"

namespace corvel {

volatile std::sig_atomic_t pendingStop = 0;

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Plain data, set once at start: the run ends through _Exit.
struct SignalState {
  bool caught[3] = {false, false, false};
  ChildSignals child{};
  // The signal that stopped the run, once the run has begun to end for it.
  int stopped = 0;
};
SignalState state;

void noteStop(int signal) { pendingStop = signal; }

// Once the run is ending, a further stop signal does not wait for the text
// still being written.
void endAtOnce(int signal) { ::_exit(128 + signal); }

void handleStopSignals(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking call returns early, so that the run notices.
  action.sa_flags = 0;
  for (int i = 0; i < 3; ++i) {
    if (state.caught[i]) ::sigaction(kStopSignals[i], &action, nullptr);
  }
}

}  // namespace

void catchStopSignals() {
  sigemptyset(&state.child.defaults);
  ::sigprocmask(SIG_SETMASK, nullptr, &state.child.mask);
  for (int i = 0; i < 3; ++i) {
    struct sigaction previous {};
    ::sigaction(kStopSignals[i], nullptr, &previous);
    // A signal ignored by whoever started us (nohup, a background job) stays
    // ignored, here and in the children.
    if (previous.sa_handler == SIG_IGN) continue;
    state.caught[i] = true;
    sigaddset(&state.child.defaults, kStopSignals[i]);
  }
  handleStopSignals(noteStop);
  struct sigaction previous {};
  ::sigaction(SIGPIPE, nullptr, &previous);
  if (previous.sa_handler != SIG_IGN) {
    ::signal(SIGPIPE, SIG_IGN);
    sigaddset(&state.child.defaults, SIGPIPE);
  }
}

const ChildSignals& childSignals() { return state.child; }

int stopStatus(int status) {
  if (pendingStop != 0 && state.stopped == 0) {
    state.stopped = pendingStop;
    handleStopSignals(endAtOnce);
    // Noted once: the writes that end the run must not stop it again.
    pendingStop = 0;
  }
  return state.stopped != 0 ? 128 + state.stopped : status;
}

int finalStatus(int status) {
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : kStopSignals) sigaddset(&stops, signal);
  ::sigprocmask(SIG_BLOCK, &stops, nullptr);
  status = stopStatus(status);
  if (state.stopped != 0) return status;
  sigset_t waiting;
  if (::sigpending(&waiting) == 0) {
    for (int i = 0; i < 3; ++i) {
      if (state.caught[i] && sigismember(&waiting, kStopSignals[i]) == 1)
        return 128 + kStopSignals[i];
    }
  }
  return status;
}

void stopForSignal() { endRun(0); }

StopSignalsBlocked::StopSignalsBlocked() {
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : kStopSignals) sigaddset(&stops, signal);
  ::sigprocmask(SIG_BLOCK, &stops, &previous_);
}

StopSignalsBlocked::~StopSignalsBlocked() {
  ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace corvel
