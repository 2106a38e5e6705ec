// The compiled script: one instruction per statement, the script text they came
// from, and the run state they work on.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/divisor.h"
#include "interpreter/loader.h"
#include "values/evaluation.h"
#include "values/variable_list.h"

namespace corvel {

struct Command;
struct Instruction;
struct Machine;

// Runs one instruction, the one at index `pc`, and returns the index of the
// instruction that runs next. Handlers that end the run never return.
using Handler = std::uint32_t (*)(Machine& machine, const Instruction& self,
                                  std::uint32_t pc);

// An operand resolved when the script was compiled.
union Operand {
  VarRef* ref;
  std::int32_t number;
  std::uint32_t index;
  const void* pointer;
  void* object;
};

// One statement, compiled: its handler and what the handler needs.
struct Instruction {
  Handler run = nullptr;
  Operand a{};
  Operand b{};
  Operand c{};
};

// What the generic path does with a line, decided from its words.
enum class LineAction : std::uint8_t {
  Record,  // `}`, a label, or a word of two or more characters that is no
           // command
  UnknownFunction,  // a one-character word that is no command
  Beep,
  Exit,
  Wait,
  Terminate,
  Run,  // a command of the table
};

// The comparison of an `if` line, by its operator word.
enum class Comparison : std::uint8_t {
  Equal,
  NotEqual,
  Same,
  Differ,
  Less,
  Greater,
  AtLeast,
  AtMost,
  Never
};

// One statement with its words analysed, as the generic path runs it.
struct Line {
  std::vector<Word> words;
  LineAction action = LineAction::Record;
  const Command* command = nullptr;
  Comparison comparison = Comparison::Never;
};

// The script and its instructions. Instructions keep no words: a statement's
// words are analysed again from the script text when the generic path needs
// them, so a long script costs little more than its text.
class Program {
 public:
  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  std::string_view source() const { return source_; }
  // The number of statements; instruction `size()` ends the run.
  std::uint32_t size() const { return count_; }
  Instruction* code() { return code_.data(); }
  const Instruction& at(std::uint32_t pc) const { return code_[pc]; }
  // Notes about numbers written beyond 32 bits, by statement, made only for a
  // run that wants notes: each is given when its statement first runs.
  const std::vector<std::pair<std::uint32_t, std::string>>& numberNotes()
      const {
    return numberNotes_;
  }
  // Where statement `pc` starts in the script.
  std::size_t start(std::uint32_t pc) const {
    return wideStarts_.empty() ? starts_[pc] : wideStarts_[pc];
  }

  // The text of the word `word` of a statement: a view of the script, or of
  // the decoded copy kept for a word with escapes.
  std::string_view wordText(const RawWord& word);
  // The words of statement `pc`, analysed, with what the generic path does
  // with them. Made once per statement and kept.
  Line& line(VariableList& vars, std::uint32_t pc);

  // The index after the first `}` line at or after `pc`, or the end.
  std::uint32_t blockEnd(std::uint32_t pc) const;
  // Where a `goto` at `pc` to `label` continues: behind the nearest label line
  // for it at or before `pc`, else behind the first one after it, else the
  // end.
  std::uint32_t labelTarget(std::uint32_t pc, std::string_view label) const;

 private:
  friend class Compiler;

  std::string source_;
  std::deque<std::string> decoded_;
  std::vector<Instruction> code_;
  std::uint32_t count_ = 0;
  // Statement starts in 32 bits while the script is shorter than 4 GiB.
  std::vector<std::uint32_t> starts_;
  std::vector<std::size_t> wideStarts_;
  std::vector<std::uint32_t> braces_;
  NameMap<std::vector<std::uint32_t>> labels_;
  std::deque<Line> lines_;
  // What specialised instructions point at: fixed texts and analysed words.
  std::deque<StringValue> constants_;
  std::deque<Word> words_;
  std::deque<Divisor> divisors_;
  std::vector<std::pair<std::uint32_t, std::string>> numberNotes_;
};

// Everything a run works on. It lives until the process ends, or, for an
// embedded run, until the run ends.
struct Machine {
  Machine() = default;
  // `predefined` gives $HOME and $USER.
  explicit Machine(Predefined predefined) : vars(predefined) {}

  VariableList vars;
  Program program;
  // The statement whose command is running, so that a fault can name it.
  std::uint32_t current = 0;
  // Room for texts that handlers build, kept so that loops do not allocate.
  std::string scratch;
};

// Analyses the words of a statement: the action of the generic path, its
// command row and, for `if`, its comparison.
void classifyLine(Line& line);

}  // namespace corvel
