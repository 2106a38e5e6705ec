// Control flow: the tape of lines, `if` with its skipping, `}` lines, labels
// and `goto`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "values/evaluation.h"

namespace corvel {

struct Command;

// What the dispatcher does with a line, decided once when the script is loaded.
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
enum class Comparison {
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

// Returns the comparison an `if` operator word stands for; any other word
// never holds.
Comparison comparisonOf(std::string_view op);

// One statement with its words analysed.
struct Line {
  std::vector<Word> words;
  LineAction action = LineAction::Record;
  const Command* command = nullptr;
  // An `if` line's comparison.
  Comparison comparison = Comparison::Never;
  // Where a `goto` line whose label is fixed text lands, once it has jumped.
  mutable std::optional<std::size_t> landing;
};

// The script as one row of lines split at a cursor: the lines before it have
// been passed (run or skipped), the line at it runs next. Running, skipping and
// jumping only move the cursor.
class Tape {
 public:
  explicit Tape(std::vector<Line> lines);

  bool atEnd() const { return cursor_ == lines_.size(); }
  // Passes the next line and returns it, so that it runs.
  const Line& advance() { return lines_[cursor_++]; }
  // Index of the line passed last.
  std::size_t lastPassed() const { return cursor_ - 1; }
  std::size_t size() const { return lines_.size(); }

  // Index of the line that runs next.
  std::size_t next() const { return cursor_; }
  // Continues with line `index`, as a jump that has landed there before.
  void moveTo(std::size_t index) { cursor_ = index; }

  // Passes the next line without running it, if there is one.
  void skipLine();
  // Passes lines without running them up to and including the next line that
  // begins with `}`, or to the end of the script.
  void skipBlock();
  // Moves the cursor behind the nearest label line for `label` at or before the
  // line passed last, else behind the first one after it, else to the end of
  // the script.
  void jumpToLabel(std::string_view label);

 private:
  std::vector<Line> lines_;
  std::size_t cursor_ = 0;
  // For each line, the index of the first line at or after it that begins with
  // `}` (or the end).
  std::vector<std::uint32_t> nextBrace_;
  // For each label, the lines that carry it, in script order.
  NameMap<std::vector<std::uint32_t>> labels_;
};

// Runs an `if` line that has passed its word count: evaluates the condition and
// skips what a false one skips.
void method_if(VariableList& vars, Tape& tape, const Line& line);

// Jumps to `label` (the `goto` line has been passed already).
void method_goto(Tape& tape, std::string_view label);

}  // namespace corvel
