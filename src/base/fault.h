// Faults and the end of the run: every message that stops a script or warns
// about a line goes through here, and so does every end of the process.
#pragma once

#include <string_view>

namespace corvel {

// How an embedded run ends (see base/sandbox.h): endRun throws it to whoever
// started the run, instead of ending the process.
struct RunEnded {
  int status;
};

// Ends the run with `status`: standard input the run did not use is left for
// the next reader, the text printed so far is written, then what the run-end
// hooks hold (open files), then the process ends. A status of 0 becomes 1 when
// standard output refused text; a stop signal that arrived before the process
// ends makes it 128 plus the signal number.
[[noreturn]] void endRun(int status);

// Prints `message` on standard output and ends the run with `status`. Where a
// script line is running, standard error also learns where.
[[noreturn]] void fail(std::string_view message, int status = 1);

// Prints `message` on standard output for a fault after which the script goes
// on; standard error learns where, as for `fail`.
void report(std::string_view message);

// Registers `hook` to run whenever buffered text must reach the system: before
// the run ends and before a child process starts. Hooks run in the order they
// were added; a hook may itself end the run with `fail`.
void onFlush(void (*hook)());
// Runs every flush hook once.
void runFlushHooks();

// Ends the run because memory ran out: "Out of memory", files flushed, status
// 1. Installed as the handler of failed allocations, so it allocates nothing.
[[noreturn]] void outOfMemory();

// Registers `locate`, which is told of every fault message so that it can name
// the line that raised it on standard error.
void setFaultLocator(void (*locate)(std::string_view message));

}  // namespace corvel
