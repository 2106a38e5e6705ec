// The compiled script: one instruction per statement, the script text they came
// from, and the run state they work on.
#include "interpreter/program.h"

#include <algorithm>

namespace corvel {

std::string_view Program::decodedText(const RawWord& word) {
  return decoded_.emplace_back(decodeWord(source_, word));
}

Line& Program::line(VariableList& vars, std::uint32_t pc) {
  StatementCutter cutter(source_);
  cutter.moveTo(start(pc));
  Statement statement;
  cutter.next(statement);
  Line& made = lines_.emplace_back();
  made.words.reserve(statement.words.size());
  for (const RawWord& word : statement.words)
    made.words.push_back(analyseWord(vars, wordText(word)));
  classifyLine(made);
  return made;
}

std::uint32_t Program::blockEnd(std::uint32_t pc) const {
  auto brace = std::lower_bound(braces_.begin(), braces_.end(), pc);
  return brace == braces_.end() ? count_ : *brace + 1;
}

std::uint32_t Program::labelTarget(std::uint32_t pc,
                                   std::string_view label) const {
  // The result is that of searching backward from the `goto` line and then
  // forward from the start of the script; the index only spares walking the
  // lines.
  auto found = labels_.find(label);
  if (found == labels_.end()) return count_;
  const std::vector<std::uint32_t>& carriers = found->second;
  auto after = std::upper_bound(carriers.begin(), carriers.end(), pc);
  std::uint32_t target =
      after == carriers.begin() ? carriers.front() : *(after - 1);
  return target + 1;
}

}  // namespace corvel
