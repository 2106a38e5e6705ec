// The same script through the specialised handlers (with an `if` and the
// `goto` after it fused) and through the generic path: what a script can see
// (its output, its status, the files it wrote, where the sandbox stopped it)
// must be the same. A difference is a fault of the specialised path.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "fuzz_support.h"

namespace corvel::fuzz {
namespace {

struct Observed {
  RunOutcome outcome;
  std::map<std::string, std::string> files;
};

Observed observe(const std::string& source, bool generic, bool fuse) {
  CompileOptions options;
  options.generic = generic;
  options.fuse = fuse;
  Sandbox sandbox = freshSandbox();
  Observed observed;
  observed.outcome = runEmbedded(source, options, sandbox);
  observed.files = folderContents(sandbox.folder);
  return observed;
}

bool same(const Observed& a, const Observed& b) {
  const RunOutcome& x = a.outcome;
  const RunOutcome& y = b.outcome;
  return x.status == y.status && x.output == y.output &&
         x.jumpsSpent == y.jumpsSpent && x.outputCut == y.outputCut &&
         x.filesCut == y.filesCut && a.files == b.files;
}

void describe(const char* name, const Observed& observed) {
  const RunOutcome& o = observed.outcome;
  std::fprintf(stderr,
               "%s: status %d, jumps spent %d, output cut %d, files cut %d, "
               "%zu output bytes:\n%s\n",
               name, o.status, o.jumpsSpent, o.outputCut, o.filesCut,
               o.output.size(), o.output.c_str());
  for (const auto& [path, contents] : observed.files)
    std::fprintf(stderr, "  %s: %s\n", path.c_str(), contents.c_str());
}

}  // namespace
}  // namespace corvel::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  corvel::fuzz::setUp(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using corvel::fuzz::Observed;
  std::string source(reinterpret_cast<const char*>(data), size);
  // Where the heap gauge or the clock ends a run depends on what each path
  // allocates and how fast it is: such a run is compared with nothing.
  auto unrepeatable = [](const Observed& o) {
    return o.outcome.heapSpent || o.outcome.timeSpent;
  };
  Observed fast = corvel::fuzz::observe(source, false, true);
  if (unrepeatable(fast)) return 0;
  Observed generic = corvel::fuzz::observe(source, true, false);
  if (unrepeatable(generic)) return 0;
  if (corvel::fuzz::same(fast, generic)) return 0;
  // Which of the two the difference comes from: the handlers or the fusion.
  Observed unfused = corvel::fuzz::observe(source, false, false);
  std::fprintf(stderr,
               "corvel fuzz: the specialised path differs from the "
               "generic one (%s)\n",
               corvel::fuzz::same(unfused, generic) ? "fused if and goto"
                                                    : "specialised handlers");
  corvel::fuzz::describe("specialised", fast);
  corvel::fuzz::describe("unfused", unfused);
  corvel::fuzz::describe("generic", generic);
  std::abort();
}
