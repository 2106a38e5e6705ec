// The --version option of the interpreter.
#include "interpreter/version_option.h"

#include <string>
#include <string_view>

#include "base/console.h"
#include "base/fault.h"
#include "base/version.h"
#include "files/corvel_dir.h"

namespace corvel {

bool asksForVersion(int argc, const char* const* argv) {
  return argc == 2 && std::string_view(argv[1]) == "--version" &&
         pathKind(argv[1]) == 0;
}

void showVersion() {
  consolePrint("corvel " + std::string(kVersion) + "\n");
  endRun(0);
}

}  // namespace corvel
