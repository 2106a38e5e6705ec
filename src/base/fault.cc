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
FaultLocator faultLocator = nullptr;

// Prints `message`, has the locator name `statement` and ends the run.
[[noreturn]] void failNaming(std::uint32_t statement, std::string_view message,
                             int status, bool memoryLeft) {
  consolePrint(message);
  if (faultLocator != nullptr) faultLocator(message, statement, memoryLeft);
  endRun(status);
}

}  // namespace

NoteLocator noteLocator = nullptr;
const std::uint32_t* statementCounter = nullptr;

void onFlush(void (*hook)()) {
  for (int i = 0; i < hookCount; ++i) {
    if (flushHooks[i] == hook) return;
  }
  if (hookCount < kMaxHooks) flushHooks[hookCount++] = hook;
}

void runFlushHooks() {
  for (int i = 0; i < hookCount; ++i) flushHooks[i]();
}

void setFaultLocator(FaultLocator locate) { faultLocator = locate; }

void setStatementCounter(const std::uint32_t* counter) {
  statementCounter = counter;
}

void setNoteLocator(NoteLocator locate) { noteLocator = locate; }

void note(std::string_view text) {
  if (noteLocator != nullptr) noteLocator(text);
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
  failNaming(kRunningStatement, message, status, true);
}

void failAt(std::uint32_t statement, std::string_view message, int status) {
  failNaming(statement, message, status, true);
}

void outOfMemory() {
  failNaming(kRunningStatement, "Out of memory\n", 1, false);
}

void report(std::string_view message) {
  consolePrint(message);
  if (faultLocator != nullptr) faultLocator(message, kRunningStatement, true);
}

}  // namespace corvel
