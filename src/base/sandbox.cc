// The sandbox: the rules for a run embedded in another program (the fuzzing
// harness, tests). Such a run returns instead of ending the process, reaches
// no shell, network, terminal, pause or standard input, and is kept small. The
// interpreter proper never turns it on.
#include "base/sandbox.h"

#include "base/console.h"
#include "base/interrupt.h"

namespace corvel {

SandboxState sandbox;

namespace {

// Any fixed odd seed will do: what matters is that every run starts with it.
constexpr std::uint64_t kRandomSeed = 0x9E3779B97F4A7C15u;

}  // namespace

void enterSandbox(std::string* output, std::size_t maxOutputBytes,
                  std::size_t maxFileBytes) {
  sandbox = SandboxState();
  sandbox.on = true;
  sandbox.fileBytesLeft = maxFileBytes;
  sandbox.random = kRandomSeed;
  pendingStop = 0;
  // Fault locations and notes go to standard error, which an embedded run
  // leaves alone.
  setFaultLocator(nullptr);
  setNoteLocator(nullptr);
  consoleCapture(output, maxOutputBytes);
}

void leaveSandbox() {
  consoleCapture(nullptr, 0);
  sandbox = SandboxState();
}

std::uint32_t sandboxRandom() {
  // xorshift64*: small, and good enough for scripts that want dice.
  std::uint64_t x = sandbox.random;
  x ^= x >> 12;
  x ^= x << 25;
  x ^= x >> 27;
  sandbox.random = x;
  return static_cast<std::uint32_t>((x * 0x2545F4914F6CDD1Du) >> 32);
}

std::size_t sandboxFileBytes(std::size_t size) {
  if (size <= sandbox.fileBytesLeft) {
    sandbox.fileBytesLeft -= size;
    return size;
  }
  std::size_t allowed = sandbox.fileBytesLeft;
  sandbox.fileBytesLeft = 0;
  sandbox.filesCut = true;
  return allowed;
}

}  // namespace corvel
