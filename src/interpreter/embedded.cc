// Embedded runs: a script run inside another program (the fuzzing harness,
// tests) that returns what it printed and its status instead of ending the
// process, confined to a sandbox.
#include "interpreter/embedded.h"

#include <ctime>
#include <optional>

#include "base/console.h"
#include "base/fault.h"
#include "base/sandbox.h"
#include "files/working_folder.h"
#include "interpreter/program.h"

namespace corvel {

namespace {

// The run loop of an embedded run: the plain loop of the interpreter, with
// the sandbox's budget counted where the run jumps back. Never returns: every
// end of the run comes through endRun.
[[noreturn]] void runBounded(Machine& machine, const Sandbox& rules,
                             RunOutcome& outcome) {
  std::size_t heapAtStart = rules.heapInUse ? rules.heapInUse() : 0;
  std::clock_t deadline =
      std::clock() + static_cast<std::clock_t>(rules.maxMilliseconds) *
                         (CLOCKS_PER_SEC / 1000);
  const Instruction* instruction = machine.program.code();
  std::uint32_t jumps = 0;
  for (;;) {
    const Instruction* next = instruction->run(machine, *instruction);
    std::uint32_t hidden = machine.hiddenJumps;
    if (next <= instruction || hidden != 0) [[unlikely]] {
      // A fused `if` and `goto` jump back in one step where the unfused ones
      // take two, but the jump itself and what ran before it are the same. An
      // instruction that ran a jump back and the test it lands on counts the
      // jump itself; a test evaluates without effects, so stopping after it
      // shows what stopping before it would.
      machine.hiddenJumps = 0;
      jumps += hidden;
      if (next <= instruction) ++jumps;
      if (jumps > rules.maxJumps) {
        outcome.jumpsSpent = true;
        endRun(0);
      }
      if (rules.maxMilliseconds != 0 && std::clock() > deadline) {
        outcome.timeSpent = true;
        endRun(0);
      }
      if (rules.heapInUse != nullptr &&
          rules.heapInUse() > heapAtStart + rules.maxHeapBytes) {
        outcome.heapSpent = true;
        outOfMemory();
      }
    }
    instruction = next;
  }
}

std::string sandboxHome() { return "/sandbox"; }
std::string sandboxUser() { return "sandbox"; }

}  // namespace

RunOutcome runEmbedded(std::string source, const CompileOptions& options,
                       const Sandbox& rules) {
  RunOutcome outcome;
  enterSandbox(&outcome.output, rules.maxOutputBytes, rules.maxFileBytes);
  trackLists(true);
  {
    std::optional<WorkingFolder> folder;
    Machine machine(Predefined{sandboxHome, sandboxUser});
    try {
      folder.emplace(rules.folder);
      if (std::optional<LoadFault> fault =
              compile(machine, std::move(source), options))
        fail(fault->message, fault->status);
      // Only what the statements make is bounded, not the script's own text.
      sandbox.maxValueBytes = rules.maxValueBytes;
      runBounded(machine, rules, outcome);
    } catch (const RunEnded& end) {
      // As a parent process sees it: the loader's -1 is 255.
      outcome.status = end.status & 0xFF;
    }
    sandbox.maxValueBytes = SIZE_MAX;
    releaseTrackedLists();
  }
  trackLists(false);
  outcome.outputCut = consoleCut();
  outcome.filesCut = sandbox.filesCut;
  leaveSandbox();
  return outcome;
}

}  // namespace corvel
