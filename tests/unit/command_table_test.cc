#include "interpreter/command_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "interpreter/embedded.h"

namespace corvel {
namespace {

// The words a row says it takes as names must be the ones the dispatcher
// takes as names: a lone `$` there ends the run with "Invalid variable name",
// and anywhere else with something else, since every other word is an
// undeclared `$v`.
TEST(CommandTable, NameWordsAreTheOnesTheDispatcherTakesAsNames) {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "corvel_command_table_test";
  std::filesystem::create_directories(folder);
  Sandbox rules;
  rules.folder = folder.string();
  CompileOptions generic;
  generic.generic = true;
  for (const Command& command : commandRows()) {
    std::size_t words = command.count.min;
    for (std::size_t lone = 2; lone <= words; ++lone) {
      std::string line(command.word);
      for (std::size_t i = 2; i <= words; ++i) line += i == lone ? " $" : " $v";
      RunOutcome outcome = runEmbedded(line + "\n", generic, rules);
      bool refused =
          outcome.output.find("Invalid variable name: $") != std::string::npos;
      EXPECT_EQ(refused, takesName(command, lone))
          << line << " printed " << outcome.output;
    }
  }
  std::filesystem::remove_all(folder);
}

TEST(CommandTable, HelpAgreesWithTheReference) {
  std::ifstream file(std::string(CORVEL_SOURCE_DIR) + "/docs/language.md");
  std::stringstream text;
  text << file.rdbuf();
  std::string reference = text.str();
  for (const Command& command : commandRows()) {
    std::string_view synopsis = commandSynopsis(command);
    ASSERT_FALSE(synopsis.empty()) << command.word;
    EXPECT_TRUE(synopsis.starts_with(command.word)) << synopsis;
    EXPECT_FALSE(command.help.summary.empty()) << command.word;
    // The reference shows the same words, and every fault message of the
    // row.
    EXPECT_NE(reference.find(std::string(synopsis)), std::string::npos)
        << synopsis;
    std::string_view faults = command.help.faults;
    while (!faults.empty()) {
      std::size_t end = faults.find('\n');
      std::string_view fault = faults.substr(0, end);
      std::size_t open = fault.find('`');
      std::size_t close = fault.find('`', open + 1);
      ASSERT_NE(close, std::string_view::npos) << fault;
      std::string message(fault.substr(open, close - open + 1));
      EXPECT_NE(reference.find(message), std::string::npos)
          << command.word << ": " << message;
      faults.remove_prefix(end == std::string_view::npos ? faults.size()
                                                         : end + 1);
    }
  }
  for (const OneWordCommand& command : oneWordCommands())
    EXPECT_NE(reference.find("#### `" + std::string(command.word) + "`"),
              std::string::npos);
}

}  // namespace
}  // namespace corvel
