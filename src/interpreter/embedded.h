// Embedded runs: a script run inside another program (the fuzzing harness,
// tests) that returns what it printed and its status instead of ending the
// process, confined to a sandbox.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "interpreter/compiler.h"

namespace corvel {

// What an embedded run may reach and use. In the sandbox `system` runs
// nothing, `geturl` gets no reply, `cin` meets the end of input, `beep` and
// `wait` do nothing, `random` draws from a sequence that starts the same in
// every run, and a path that is absolute or has a ".." component names
// nothing, as one with a zero byte does.
struct Sandbox {
  // The working folder of the run, which its relative paths start from; it
  // must exist. Empty: the current one.
  std::string folder;
  // Jumps back (turns of a loop) the run may take; the next one stops it. A
  // jump back is where every way of compiling a script agrees on what has
  // run, so the stop is the same for all of them; between two jumps back the
  // run passes each statement at most once.
  std::uint32_t maxJumps = 1000;
  // The longest string the run may make, or text it may build for one (an
  // array's text, a literal); a longer one ends it with "Out of memory".
  std::size_t maxValueBytes = std::size_t{1} << 20;
  // What the run may print and write to files in all; the rest is dropped.
  std::size_t maxOutputBytes = std::size_t{1} << 20;
  std::size_t maxFileBytes = std::size_t{4} << 20;
  // The heap the run may hold beyond what was in use when it started, looked
  // at with `heapInUse` at every jump back; more ends the run with "Out of
  // memory". Without a gauge the heap is not looked at.
  std::size_t (*heapInUse)() = nullptr;
  std::size_t maxHeapBytes = std::size_t{256} << 20;
  // The processor time the run may take, in milliseconds, looked at every
  // jump back; the next jump back after it stops the run. 0: no limit. Since
  // it depends on the machine, a run it stops cannot be repeated exactly.
  std::uint32_t maxMilliseconds = 0;
};

// How an embedded run went.
struct RunOutcome {
  // The exit status the process would have had (0 to 255).
  int status = 0;
  // Everything printed, up to the sandbox's limit.
  std::string output;
  // The sandbox's limits that the run met: it was stopped at its jump budget
  // or when its time was up, it was ended as out of memory by the heap gauge
  // (where the run stands at those two depends on how the script was
  // compiled), text printed or written to files was dropped.
  bool jumpsSpent = false;
  bool timeSpent = false;
  bool heapSpent = false;
  bool outputCut = false;
  bool filesCut = false;
};

// Compiles `source` with `options` and runs it to its end within `rules`. $HOME
// is "/sandbox" and $USER "sandbox". What the run leaves behind is torn down:
// its files are closed and its lists freed, cycles included.
RunOutcome runEmbedded(std::string source, const CompileOptions& options,
                       const Sandbox& rules);

}  // namespace corvel
