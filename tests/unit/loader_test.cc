#include "interpreter/loader.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

using Words = std::vector<std::string>;

// Cuts `source` the way the compiler does and decodes every word.
std::vector<Words> cut(std::string_view source, LoadFault* fault = nullptr) {
  StatementCutter cutter(source);
  Statement statement;
  std::vector<Words> lines;
  for (;;) {
    StatementCutter::Step step = cutter.next(statement);
    if (step == StatementCutter::Step::Fault && fault != nullptr)
      *fault = cutter.fault();
    if (step != StatementCutter::Step::Statement) break;
    Words words;
    for (const RawWord& word : statement.words)
      words.push_back(word.escaped ? decodeWord(source, word)
                                   : std::string(plainWord(source, word)));
    lines.push_back(words);
  }
  return lines;
}

TEST(Loader, CutsStatementsAndWords) {
  const std::pair<std::string, std::vector<Words>> cases[] = {
      {"", {}},
      {"print [a]\nexit", {{"print", "[a]"}, {"exit"}}},
      {"a b; c d", {{"a", "b"}, {"c", "d"}}},
      {"print [a; b]", {{"print", "[a; b]"}}},
      {"print [one\ntwo]\n", {{"print", "[one\ntwo]"}}},
      {"x y \r\n\r\nz", {{"x", "y"}, {"z"}}},
      {"\t  set\t$a  (1 + 2)  ", {{"set\t$a", "(1 + 2)"}}},
      {"a\\n\\nb", {{"a\n\nb"}}},
      {"[\\$x]", {{"[\\$x]"}}},
      {"p \\(x", {{"p", "(x"}}},
      {"p \\q\\\\", {{"p", "q\\"}}},
      {"p word\\n", {{"p", "word"}}},
      {"p \\n x", {{"p", "x"}}},
      {"ab[c d]ef g", {{"ab[c d]ef", "g"}}},
      {"p [a (b) c]", {{"p", "[a (b) c]"}}},
      {"p [open\nrest", {{"p", "[open\nrest"}}},
      {";;\n\n", {}},
      {"p [\xC3\xA9\xFF]", {{"p", "[\xC3\xA9\xFF]"}}},
  };
  for (const auto& [source, lines] : cases)
    EXPECT_EQ(cut(source), lines) << "source: " << source;
}

TEST(Loader, ReportsFormatFaultsWithTheirPlace) {
  const std::tuple<std::string, int, std::size_t> cases[] = {
      {"p x\\", 1, 3},
      {"p x)", -1, 3},
      {"ok\np [x)]", -1, 7},
      {"p (x]", -1, 4},
      {"p [a (b] c)]", -1, 7},
  };
  for (const auto& [source, status, offset] : cases) {
    LoadFault fault;
    cut(source, &fault);
    EXPECT_EQ(fault.status, status) << source;
    EXPECT_EQ(fault.offset, offset) << source;
  }
}

TEST(Loader, NamesTheGroupsLeftOpen) {
  StatementCutter cutter("p [a (b\nc");
  Statement statement;
  while (cutter.next(statement) == StatementCutter::Step::Statement) {
  }
  EXPECT_EQ(cutter.openGroups(), (std::vector<std::size_t>{2, 5}));
}

TEST(Loader, FindsLinesAndStatementTexts) {
  std::string source = "a\r\nprint [x\ny]; b c  \n\rlast\\n";
  LineIndex lines(source);
  EXPECT_EQ(lines.lineOf(0), 1u);
  EXPECT_EQ(lines.lineOf(3), 2u);
  EXPECT_EQ(lines.lineOf(source.find("y]")), 3u);
  EXPECT_EQ(lines.lineOf(source.find("last")), 5u);
  EXPECT_EQ(statementText(source, 3), "print [x\ny]");
  EXPECT_EQ(statementText(source, source.find("b c")), "b c");
  EXPECT_EQ(statementText(source, source.find("last")), "last\\n");
}

}  // namespace
}  // namespace corvel
