// Control flow: `if` with its skipping, `}` lines, labels and `goto`. The script
// is one row of statements and the run a cursor over it: running, skipping and
// jumping only move the cursor.
#include "interpreter/control_flow.h"

#include <algorithm>

#include "base/fault.h"

namespace corvel {

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

bool condition(const Line& line) {
  const Word& first = line.words[1];
  const Word& second = line.words[3];
  Comparison comparison = line.comparison;
  switch (comparison) {
    case Comparison::Equal:
    case Comparison::NotEqual: {
      Value a = turnExpressionToObject(first);
      Value b = turnExpressionToObject(second);
      return valuesEqual(a, b) == (comparison == Comparison::Equal);
    }
    case Comparison::Same:
    case Comparison::Differ: {
      StringValue a = evaluateString(first);
      StringValue b = evaluateString(second);
      // The absent string equals no text.
      bool same = !a.isAbsent() && !b.isAbsent() && a.view() == b.view();
      return same == (comparison == Comparison::Same);
    }
    case Comparison::Less:
    case Comparison::Greater:
    case Comparison::AtLeast:
    case Comparison::AtMost: {
      std::int32_t a = turnExpressionToInt(first);
      std::int32_t b = turnExpressionToInt(second);
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

std::uint32_t method_if(const Program& program, const Line& line,
                        std::uint32_t pc) {
  if (condition(line)) return pc + 1;
  // A false condition skips exactly one line, whatever it is, or a block up to
  // and including the next line that begins with `}`: blocks do not nest.
  if (line.words.size() == 4) return std::min(pc + 2, program.size());
  if (line.words[4].text != "{")
    fail("Expecting '{' as last parameter of if.\n", 1);
  return program.blockEnd(pc + 1);
}

std::uint32_t method_goto(const Program& program, std::uint32_t pc,
                          std::string_view label) {
  return program.labelTarget(pc, label);
}

}  // namespace corvel
