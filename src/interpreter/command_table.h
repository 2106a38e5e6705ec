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

// One row of the command table: everything the generic path knows about a
// command word.
struct Command {
  std::string_view word;
  WordCount count;
  // Printed when the count is wrong (the run then ends with status 1); empty
  // when no count is checked.
  std::string_view usage;
  void (*run)(Operands&);
};

// Returns the row of `word`, or nullptr when it is no command of the table.
const Command* findCommand(std::string_view word);
// Every row of the table, sorted by word.
std::span<const Command> commandRows();

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
