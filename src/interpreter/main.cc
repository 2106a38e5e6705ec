// The entry point: reads the command line, finds the script path and hands over
// to the run.
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "base/console.h"
#include "base/fault.h"
#include "base/interrupt.h"
#include "interpreter/run.h"
#include "interpreter/version_option.h"

int main(int argc, char** argv) {
  corvel::consoleClaimStandardDescriptors();
  corvel::catchStopSignals();
  std::set_new_handler(corvel::outOfMemory);
  if (corvel::asksForVersion(argc, argv)) corvel::showVersion();
  std::string program = argc > 0 ? argv[0] : "corvel";
  std::optional<std::string> path;
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "-?" || argument == "--help") {
      corvel::consolePrint("Usage: " + program + " [ --help [file path]]\n");
    } else if (path) {
      corvel::consolePrint(program +
                           ": Unknown option: " + std::string(argument) + "\n");
    } else {
      path = std::string(argument);
    }
  }
  if (!path) {
    corvel::consolePrint("Enter script path: ");
    std::optional<std::string> line = corvel::readLineFromConsole();
    if (line) path = corvel::chomp(*line);
    if (!path) corvel::fail("No script path given.\n", 1);
  }
  corvel::runScript(*path);
}
