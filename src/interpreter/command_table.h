// The command table of the language and the generic way of running a line:
// every command word, the words its line must have, its usage line, and the
// order in which it takes its operands.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "interpreter/program.h"

namespace corvel {

// How many words a command's line must have, command word included.
struct WordCount {
  std::size_t min;
  std::size_t max;
};

class Operands;

// What a command is for, kept in its row so that what the editor and the
// checker tell never disagrees with what the dispatcher does.
struct CommandHelp {
  // The words of a line as the reference writes them, for a row that has no
  // usage line.
  std::string_view form;
  // What the command does, in a sentence or two.
  std::string_view summary;
  // Its faults, one a line: the message in backticks, a colon and what
  // follows it.
  std::string_view faults;
};

// One row of the command table: everything the generic path knows about a
// command word.
struct Command {
  std::string_view word;
  WordCount count;
  // Printed when the count is wrong (the run then ends with status 1); empty
  // when no count is checked.
  std::string_view usage;
  // The words taken as variable names, as bits of their numbers (the command
  // word is 1); the others are evaluated.
  std::uint32_t names;
  CommandHelp help;
  void (*run)(Operands&);
};

// Returns the row of `word`, or nullptr when it is no command of the table.
const Command* findCommand(std::string_view word);
// Every row of the table, sorted by word.
std::span<const Command> commandRows();
// Whether `command` takes its word `number` (the command word is 1) as a
// variable name.
bool takesName(const Command& command, std::size_t number);
// The words of a line of `command` as the reference writes them: its usage
// line without "Usage: " and the line feed, or its form.
std::string_view commandSynopsis(const Command& command);

// A command that acts only alone on its line; with more words the line does
// nothing.
struct OneWordCommand {
  std::string_view word;
  LineAction action;
  std::string_view summary;
};
// The one-word commands, sorted by word.
std::span<const OneWordCommand> oneWordCommands();

// The words of the line being run, taken as the command's row asks.
class Operands {
 public:
  Operands(Machine& machine, Line& line, const Command& command,
           std::uint32_t pc)
      : machine_(machine),
        line_(line),
        command_(command),
        pc_(pc),
        next(pc + 1) {}

  VariableList& vars() { return machine_.vars; }
  Program& program() { return machine_.program; }
  std::size_t size() const { return line_.words.size(); }
  const Line& line() const { return line_; }
  std::uint32_t pc() const { return pc_; }

  // Ends the run with the row's usage line unless the line has the row's number
  // of words.
  void checkCount() const;
  // Word `index` (counted from 1, the command word being 1) as a variable name:
  // without its one leading `$`; a lone "$" ends the run.
  VarRef& name(std::size_t index);
  // Word `index` evaluated as text (the absent string as the empty text) or as
  // an integer.
  std::string text(std::size_t index) const;
  std::int32_t integer(std::size_t index) const;
  // Word `index` unevaluated.
  const Word& raw(std::size_t index) const { return line_.words[index - 1]; }

 private:
  Machine& machine_;
  Line& line_;
  const Command& command_;
  std::uint32_t pc_;

 public:
  // Where the run goes on: the next line, unless the command jumps.
  std::uint32_t next;
};

// Runs line `pc` the generic way and returns the index of the line that runs
// next. It returns when the line is done, or ends the run.
std::uint32_t processCommand(Machine& machine, Line& line, std::uint32_t pc);

}  // namespace corvel
