// The checker's entry point: checks every script named on the command line and
// says by its exit status whether it found anything.
#include <optional>
#include <string>
#include <string_view>

#include "base/console.h"
#include "base/version.h"
#include "checker/checker.h"
#include "checker/report.h"
#include "files/whole_file.h"

int main(int argc, char** argv) {
  constexpr std::string_view kUsage =
      "Usage: corvel-check [--format=text|--format=json] SCRIPT...\n";
  bool json = false;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--help" || argument == "-?") {
      corvel::consolePrint(kUsage);
    } else if (argument == "--version") {
      corvel::consolePrint("corvel-check " + std::string(corvel::kVersion) +
                           "\n");
      corvel::consoleFlush();
      return 0;
    } else if (argument == "--format=json") {
      json = true;
    } else if (argument == "--format=text") {
      json = false;
    } else if (argument.starts_with("--format")) {
      corvel::consoleError("corvel-check: unknown format: " + argument + "\n");
      return 2;
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.empty()) {
    corvel::consoleError(kUsage);
    return 2;
  }
  int status = 0;
  nlohmann::json reports = nlohmann::json::array();
  for (const std::string& path : paths) {
    std::optional<std::string> source = corvel::readWholeFile(path);
    if (!source) {
      // What was printed for the scripts before comes first.
      corvel::consoleFlush();
      corvel::consoleError("corvel-check: cannot read " + path + "\n");
      status = 2;
      continue;
    }
    corvel::ScriptModel model(*source);
    std::vector<corvel::Finding> findings = corvel::checkScript(model);
    if (!findings.empty() && status == 0) status = 1;
    if (json) {
      reports.push_back(corvel::scriptReport(path, model.map(), findings));
      continue;
    }
    for (const corvel::Finding& finding : findings)
      corvel::consolePrint(corvel::formatFinding(path, finding));
  }
  if (json) corvel::consolePrint(reports.dump(2) + "\n");
  corvel::consoleFlush();
  return status;
}
