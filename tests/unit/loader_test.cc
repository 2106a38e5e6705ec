#include "interpreter/loader.h"

#include <gtest/gtest.h>

#include <random>

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
      {"\x07\x03 a\x07 \x03", {{"a"}}},
      {"p [a\\]b] c", {{"p", "[a]b]", "c"}}},
      {"p (a;b\nc)d;e", {{"p", "(a;b\nc)d"}, {"e"}}},
      {"p\t[x y]\tq \t(a b)", {{"p\t[x y]\tq", "(a b)"}}},
  };
  for (const auto& [source, lines] : cases)
    EXPECT_EQ(cut(source), lines) << "source: " << source;
}

TEST(Loader, ReportsFormatFaultsWithTheirPlace) {
  const std::tuple<std::string, int, std::size_t> cases[] = {
      {"p x\\", 1, 3},  {"p x)", -1, 3},         {"ok\np [x)]", -1, 7},
      {"p (x]", -1, 4}, {"p [a (b] c)]", -1, 7},
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

// Everything a cut gives: each step with its statement, and at the end the
// fault, the groups left open and where the cutter stands.
std::string trace(std::string_view text, StatementCutter::Speed speed) {
  // A copy without a terminating zero, so that the sanitizers see a read
  // past the end.
  std::vector<char> bytes(text.begin(), text.end());
  StatementCutter cutter(std::string_view(bytes.data(), bytes.size()), speed);
  Statement statement;
  std::string out;
  for (;;) {
    StatementCutter::Step step = cutter.next(statement);
    if (step != StatementCutter::Step::Statement) {
      out += step == StatementCutter::Step::End ? "end" : "fault ";
      if (step == StatementCutter::Step::Fault) {
        out += std::string(cutter.fault().message) + ' ' +
               std::to_string(cutter.fault().status) + ' ' +
               std::to_string(cutter.fault().offset);
      }
      break;
    }
    out += '@';
    out += std::to_string(statement.start);
    out += ':';
    for (const RawWord& word : statement.words) {
      out += ' ';
      out += std::to_string(word.begin);
      out += '-';
      out += std::to_string(word.end);
      if (word.escaped) out += 'e';
    }
    out += '\n';
  }
  for (std::size_t open : cutter.openGroups())
    out += " open " + std::to_string(open);
  return out + " at " + std::to_string(cutter.position());
}

TEST(Loader, QuickCutAgreesWithTheCarefulOne) {
  // Texts drawn mostly from the bytes that mean something to the cutter, so
  // that escapes, groups, trimmed characters and statement ends meet in every
  // order; each is cut both ways.
  const std::string bytes = "ab$ ;\n\r()[]\\\t\x03\x07 a(b)c";
  std::mt19937 random(17);
  std::uniform_int_distribution<std::size_t> pick(0, bytes.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 24);
  for (int round = 0; round < 20000; ++round) {
    std::string source;
    for (std::size_t i = length(random); i > 0; --i)
      source += bytes[pick(random)];
    ASSERT_EQ(trace(source, StatementCutter::Speed::Quick),
              trace(source, StatementCutter::Speed::Careful))
        << "source: " << source;
  }
  const std::string deep = "p " + std::string(70, '(') + "x" +
                           std::string(70, ')') + " y\nq [a (b)] [c";
  // The outer `[` lies 65 groups deep when its wrong `)` comes.
  std::string tangled(1, '[');
  tangled.append(64, '(').append(64, ')').append(1, ')');
  for (const std::string& source :
       {deep, tangled,
        std::string("set $i ($i + 1)\n\tp\t[a]\t\nb\x07 \x03")}) {
    EXPECT_EQ(trace(source, StatementCutter::Speed::Quick),
              trace(source, StatementCutter::Speed::Careful))
        << "source: " << source;
  }
}

TEST(Loader, CountsTheEndsOfStatements) {
  // Long enough for whole blocks and for the count of a lane to be taken
  // before it wraps, with ends at every place of a block and a tail.
  std::string text;
  std::size_t ends = 0;
  for (std::size_t i = 0; i < 40000; ++i) {
    char c = "ab\n;c\r(\xFF"[i * 7 % 8];
    ends += c == '\n' || c == ';' || c == '\r';
    text += c;
  }
  text += std::string(16 * 300, '\n');
  ends += 16 * 300;
  for (std::size_t size : {std::size_t{0}, std::size_t{15}, std::size_t{16},
                           std::size_t{17}, std::size_t{4097}, text.size()}) {
    std::string_view part = std::string_view(text).substr(0, size);
    std::size_t expected = 0;
    for (char c : part) expected += c == '\n' || c == ';' || c == '\r';
    EXPECT_EQ(countStatementEnds(part), expected) << size;
  }
  EXPECT_EQ(countStatementEnds(text), ends);
}

}  // namespace
}  // namespace corvel
