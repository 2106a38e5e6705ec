// The checker's entry point: checks every script named on the command line and
// says by its exit status whether it found anything.
#include <optional>
#include <string>
#include <string_view>

#include "base/console.h"
#include "base/version.h"
#include "checker/checker.h"
#include "files/whole_file.h"

int main(int argc, char** argv) {
  constexpr std::string_view kUsage = "Usage: corvel-check SCRIPT...\n";
  if (argc < 2) {
    corvel::consoleError(kUsage);
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    if (path == "--help" || path == "-?") {
      corvel::consolePrint(kUsage);
      continue;
    }
    if (path == "--version") {
      corvel::consolePrint("corvel-check " + std::string(corvel::kVersion) +
                           "\n");
      continue;
    }
    std::optional<std::string> source = corvel::readWholeFile(path);
    if (!source) {
      // What was printed for the scripts before comes first.
      corvel::consoleFlush();
      corvel::consoleError("corvel-check: cannot read " + path + "\n");
      status = 2;
      continue;
    }
    for (const corvel::Warning& warning : corvel::checkScript(*source)) {
      corvel::consolePrint(corvel::formatWarning(path, warning));
      if (status == 0) status = 1;
    }
  }
  corvel::consoleFlush();
  return status;
}
