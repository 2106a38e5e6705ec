// The dispatcher: the command table of the language and the execution of one
// line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "interpreter/control_flow.h"
#include "interpreter/loader.h"
#include "values/variable_list.h"

namespace corvel {

// Everything a run works on. It lives until the process ends.
struct Run {
  VariableList vars;
  Tape tape;
};

// How many words a command's line must have, command word included.
struct WordCount {
  std::size_t min;
  std::size_t max;
};

class Operands;

// One row of the command table: everything the dispatcher knows about a command
// word.
struct Command {
  std::string_view word;
  WordCount count;
  std::string_view
      usage;  // printed when the count is wrong; empty when no count is checked
  int usageStatus;
  void (*run)(Operands&);
};

// The words of the line being run, taken as the command's row asks.
class Operands {
 public:
  Operands(Run& run, const Line& line, const Command& command)
      : run_(run), line_(line), command_(command) {}

  VariableList& vars() { return run_.vars; }
  Tape& tape() { return run_.tape; }
  std::size_t size() const { return line_.words.size(); }
  const Line& line() const { return line_; }

  // Ends the run with the row's usage line unless the line has the row's number
  // of words.
  void checkCount() const;
  // Word `index` (counted from 1, the command word being 1) as a variable name;
  // a lone "$" ends the run.
  const VarRef& name(std::size_t index) const;
  // Word `index` evaluated as text (the absent string as the empty text) or as
  // an integer.
  std::string text(std::size_t index) const;
  std::int32_t integer(std::size_t index) const;
  // Word `index` unevaluated.
  const Word& raw(std::size_t index) const { return line_.words[index - 1]; }

 private:
  Run& run_;
  const Line& line_;
  const Command& command_;
};

// Analyses the words of `tokenLines` and decides what the dispatcher does with
// each line.
std::vector<Line> prepareLines(std::vector<TokenLine> tokenLines);

// Runs one line. It returns when the line is done, or ends the run.
void processCommand(Run& run, const Line& line);

// Loads the script at `path`, runs it to its end and ends the process.
[[noreturn]] void runScript(const std::string& path);

}  // namespace corvel
