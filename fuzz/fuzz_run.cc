// Whole runs of arbitrary scripts in the sandbox: any crash, sanitizer report,
// leak or hang is a fault of the interpreter.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  corvel::fuzz::setUp(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string source(reinterpret_cast<const char*>(data), size);
  corvel::RunOutcome outcome =
      corvel::runEmbedded(source, {}, corvel::fuzz::freshSandbox());
  // A script ends with 0, 1, or the loader's -1.
  if (outcome.status != 0 && outcome.status != 1 && outcome.status != 255) {
    std::fprintf(stderr, "corvel fuzz: unexpected status %d\n", outcome.status);
    std::abort();
  }
  return 0;
}
