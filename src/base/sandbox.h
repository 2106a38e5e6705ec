// The sandbox: the rules for a run embedded in another program (the fuzzing
// harness, tests). Such a run returns instead of ending the process, reaches
// no shell, network, terminal, pause or standard input, and is kept small. The
// interpreter proper never turns it on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/fault.h"

namespace corvel {

// Plain data, read where a rule applies.
struct SandboxState {
  // Whether a run is embedded: endRun then throws RunEnded, and the rules
  // below apply.
  bool on = false;
  // A string value, or text built for one, longer than this ends the run as
  // out of memory. The interpreter proper leaves it unlimited.
  std::size_t maxValueBytes = SIZE_MAX;
  // File bytes that may still be written; later ones are dropped.
  std::size_t fileBytesLeft = 0;
  bool filesCut = false;
  std::uint64_t random = 0;
};
extern SandboxState sandbox;

// Turns the sandbox on for one run and starts every piece of process-wide run
// state afresh: the console (printed text goes to `output`, at most
// `maxOutputBytes` of it, and standard input reads as ended), the pending
// signal, the fault locator, the random sequence and the file quota of
// `maxFileBytes`.
void enterSandbox(std::string* output, std::size_t maxOutputBytes,
                  std::size_t maxFileBytes);
// Turns the sandbox off; the console is the process's own again, afresh.
void leaveSandbox();

// Ends the run as out of memory when a text of `size` bytes is more than the
// sandbox lets one value hold.
inline void checkValueSize(std::size_t size) {
  if (size > sandbox.maxValueBytes) [[unlikely]]
    outOfMemory();
}

// The next number of the sandbox's own sequence, which starts the same in
// every run, so that runs can be repeated and compared.
std::uint32_t sandboxRandom();

// How many of the next `size` file bytes may still be written; those after
// them are dropped, which `sandbox.filesCut` notes.
std::size_t sandboxFileBytes(std::size_t size);

}  // namespace corvel
