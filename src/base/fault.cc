// Faults and the end of the run: every message that stops a script or warns
// about a line goes through here, and so does every end of the process.
#include "base/fault.h"

#include <cstdlib>

#include "base/console.h"
#include "base/interrupt.h"
#include "base/sandbox.h"

namespace corvel {

namespace {

// Plain data: the run ends through _Exit, so nothing here is ever torn down.
constexpr int kMaxHooks = 8;
void (*flushHooks[kMaxHooks])() = {};
int hookCount = 0;
void (*faultLocator)(std::string_view) = nullptr;

}  // namespace

void onFlush(void (*hook)()) {
  for (int i = 0; i < hookCount; ++i) {
    if (flushHooks[i] == hook) return;
  }
  if (hookCount < kMaxHooks) flushHooks[hookCount++] = hook;
}

void runFlushHooks() {
  for (int i = 0; i < hookCount; ++i) flushHooks[i]();
}

void setFaultLocator(void (*locate)(std::string_view message)) {
  faultLocator = locate;
}

void endRun(int status) {
  // A stop signal that has arrived decides the status, whatever else ended
  // the run: a stop is never a success.
  status = stopStatus(status);
  // Input looked at but not used stays for whoever reads standard input
  // next; first, as the writes below may wait.
  consoleReleaseInput();
  // Text printed before a file is written out comes first, wherever both go.
  consoleFlush();
  runFlushHooks();
  consoleFlush();
  if (consoleFailed() && status == 0) status = 1;
  if (sandbox.on) throw RunEnded{status};
  std::_Exit(finalStatus(status));
}

void fail(std::string_view message, int status) {
  consolePrint(message);
  if (faultLocator != nullptr) faultLocator(message);
  endRun(status);
}

void outOfMemory() {
  // Naming the line would need memory; the message alone is printed.
  faultLocator = nullptr;
  fail("Out of memory\n", 1);
}

void report(std::string_view message) {
  consolePrint(message);
  if (faultLocator != nullptr) faultLocator(message);
}

}  // namespace corvel
