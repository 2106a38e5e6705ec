// Every fault that prints its message and ends the run ends it with status 1.
#include <gtest/gtest.h>

#include "interpreter/command_table.h"
#include "run_in_child.h"

namespace corvel {
namespace {

TEST(FaultStatus, EveryUsageLineEndsTheRunWithStatusOne) {
  for (const Command& command : commandRows()) {
    if (command.usage.empty()) continue;
    // One word more than the command takes is always a wrong count.
    std::string line(command.word);
    for (std::size_t i = 1; i <= std::min<std::size_t>(command.count.max, 5);
         ++i)
      line += " $a";
    std::string script = "int $a\n" + line + "\nprint [not reached]";
    Outcome outcome = runInChild(script);
    EXPECT_EQ(outcome, (Outcome{std::string(command.usage), 1})) << line;
    EXPECT_EQ(runGeneric(script), outcome) << line << " (generic)";
  }
}

TEST(FaultStatus, UndeclaredNamesInEvaluationEndTheRunWithStatusOne) {
  const std::pair<const char*, const char*> cases[] = {
      {"print $nope", "Not declared: $nope\n"},
      {"print [a $nope b]", "Not declared: $nope\n"},
      {"print [a $ b]", "Not declared: $\n"},
      {"int $n\nset $n [$nope#1]", "Not declared: $nope\n"},
      {"if $nope < (1)\nprint [x]", "Not declared: $nope\n"},
      {"int $n\nstrlen [abc] $n", "Not declared: $[abc]\n"},
      {"array $a\nset $a $nope", "Not declared: $nope\n"},
      {"fwrite $nope [x]", "Not declared: $nope\n"},
  };
  for (const auto& [script, message] : cases) {
    EXPECT_EQ(runInChild(script), (Outcome{message, 1})) << script;
    EXPECT_EQ(runGeneric(script), (Outcome{message, 1})) << script;
  }
}

TEST(FaultStatus, GetarrayChecksEndTheRunWithStatusOne) {
  const std::pair<const char*, const char*> cases[] = {
      {"string $x\ngetarray $x $list (0)", "Not declared: $list\n"},
      {"getarray $x $list (0)", "Not declared: $list\n"},
      {"array $list\ngetarray $x $list (0)", "Not declared: $x\n"},
      {"string $x $list\ngetarray $x $list (0)", "Not an array: $list\n"},
  };
  for (const auto& [script, message] : cases) {
    EXPECT_EQ(runInChild(script), (Outcome{message, 1})) << script;
    EXPECT_EQ(runGeneric(script), (Outcome{message, 1})) << script;
  }
}

TEST(FaultStatus, AFileTargetSetFromAnythingButAVariableEndsTheRunWithOne) {
  const char* scripts[] = {"file $f\nset $f [path]", "file $f\nset $f (1)",
                           "file $f\nset $f bare"};
  for (const char* script : scripts) {
    Outcome expected{"Fatal error with variable type\n", 1};
    EXPECT_EQ(runInChild(script), expected) << script;
    EXPECT_EQ(runGeneric(script), expected) << script;
  }
}

}  // namespace
}  // namespace corvel
