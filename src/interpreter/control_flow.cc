// Control flow: the tape of lines, `if` with its skipping, `}` lines, labels
// and `goto`.
#include "interpreter/control_flow.h"

#include <algorithm>

#include "interpreter/console.h"

namespace corvel {

Tape::Tape(std::vector<Line> lines) : lines_(std::move(lines)) {
  auto count = static_cast<std::uint32_t>(lines_.size());
  nextBrace_.resize(lines_.size() + 1);
  nextBrace_[count] = count;
  for (std::uint32_t i = count; i-- > 0;) {
    nextBrace_[i] = lines_[i].words.front().text == "}" ? i : nextBrace_[i + 1];
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::vector<Word>& words = lines_[i].words;
    const std::string& first = words.front().text;
    if (first.empty() || first.front() != '*') continue;
    // "*name" carries the label name; a lone "*" carries the empty label and,
    // when a word follows, that word as well.
    labels_[first.substr(1)].push_back(i);
    if (first.size() == 1 && words.size() >= 2)
      labels_[words[1].text].push_back(i);
  }
}

void Tape::skipLine() {
  if (cursor_ < lines_.size()) ++cursor_;
}

void Tape::skipBlock() {
  cursor_ = std::min<std::size_t>(nextBrace_[cursor_] + 1, lines_.size());
}

void Tape::jumpToLabel(std::string_view label) {
  // The result is that of searching backward from the `goto` line and then
  // forward from the start of the script; the index only spares walking the
  // lines.
  auto found = labels_.find(label);
  if (found == labels_.end()) {
    cursor_ = lines_.size();
    return;
  }
  const std::vector<std::uint32_t>& carriers = found->second;
  auto after = std::upper_bound(carriers.begin(), carriers.end(), lastPassed());
  std::uint32_t target =
      after == carriers.begin() ? carriers.front() : *(after - 1);
  cursor_ = target + 1;
}

Comparison comparisonOf(std::string_view op) {
  if (op == "==") return Comparison::Equal;
  if (op == "!=") return Comparison::NotEqual;
  if (op == "~=") return Comparison::Same;
  if (op == "!~=" || op == "<>") return Comparison::Differ;
  if (op == "<") return Comparison::Less;
  if (op == ">") return Comparison::Greater;
  if (op == ">=" || op == "=>") return Comparison::AtLeast;
  if (op == "<=" || op == "=<") return Comparison::AtMost;
  return Comparison::Never;
}

namespace {

bool condition(VariableList& vars, const Line& line) {
  const Word& first = line.words[1];
  const Word& second = line.words[3];
  Comparison comparison = line.comparison;
  switch (comparison) {
    case Comparison::Equal:
    case Comparison::NotEqual: {
      Value a = turnExpressionToObject(vars, first);
      Value b = turnExpressionToObject(vars, second);
      return valuesEqual(a, b) == (comparison == Comparison::Equal);
    }
    case Comparison::Same:
    case Comparison::Differ: {
      std::string scratchA;
      std::string scratchB;
      // Evaluation changes no variable, so the first text stays valid while the
      // second is made.
      std::optional<std::string_view> a = evaluateText(vars, first, scratchA);
      std::optional<std::string_view> b = evaluateText(vars, second, scratchB);
      // The absent string equals no text.
      bool same = a && b && *a == *b;
      return same == (comparison == Comparison::Same);
    }
    case Comparison::Less:
    case Comparison::Greater:
    case Comparison::AtLeast:
    case Comparison::AtMost: {
      std::int32_t a = turnExpressionToInt(vars, first);
      std::int32_t b = turnExpressionToInt(vars, second);
      if (comparison == Comparison::Less) return a < b;
      if (comparison == Comparison::Greater) return a > b;
      if (comparison == Comparison::AtLeast) return a >= b;
      return a <= b;
    }
    case Comparison::Never:
      break;
  }
  return false;
}

}  // namespace

void method_if(VariableList& vars, Tape& tape, const Line& line) {
  if (condition(vars, line)) return;
  if (line.words.size() == 4) {
    tape.skipLine();
    return;
  }
  if (line.words[4].text != "{")
    fail("Expecting '{' as last parameter of if.\n", 1);
  tape.skipBlock();
}

void method_goto(Tape& tape, std::string_view label) {
  tape.jumpToLabel(label);
}

}  // namespace corvel
