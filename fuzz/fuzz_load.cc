// The loader and the compile step on arbitrary bytes, without running: the
// statements cut must be those that reading the bytes one at a time by the
// format's rules gives, and both ways of compiling must accept the same
// statements.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interpreter/compiler.h"
#include "interpreter/loader.h"

namespace corvel::fuzz {
namespace {

[[noreturn]] void mismatch(const char* what) {
  std::fprintf(stderr, "corvel fuzz: loader mismatch: %s\n", what);
  std::abort();
}

void expect(bool holds, const char* what) {
  if (!holds) mismatch(what);
}

bool trimmed(char c) {
  return c == '\n' || c == '\r' || c == ' ' || c == 3 || c == '\t' || c == 7;
}

// The format read the slow, obvious way: a byte at a time, a stack of open
// brackets, a word buffer.
struct Reading {
  std::vector<std::vector<std::string>> statements;
  // The fault that ended the reading, if any: message, status and offset.
  std::optional<std::string> fault;
  int status = 0;
  std::size_t offset = 0;
};

Reading readByTheRules(std::string_view source) {
  Reading reading;
  std::string groups;
  std::string word;
  std::vector<std::string> statement;
  auto endWord = [&] {
    std::size_t begin = 0;
    std::size_t end = word.size();
    while (begin < end && trimmed(word[begin])) ++begin;
    while (end > begin && trimmed(word[end - 1])) --end;
    if (begin < end) statement.push_back(word.substr(begin, end - begin));
    word.clear();
  };
  auto endStatement = [&] {
    endWord();
    if (!statement.empty()) reading.statements.push_back(statement);
    statement.clear();
  };
  for (std::size_t i = 0; i < source.size(); ++i) {
    char c = source[i];
    if (c == '\\') {
      if (i + 1 == source.size()) {
        reading.fault = "stray \\ at the end of the file";
        reading.status = 1;
        reading.offset = i;
        return reading;
      }
      char next = source[++i];
      if (next == 'n') {
        word += '\n';
      } else if (next == 'r') {
        word += '\r';
      } else if (next == 'a') {
        word += '\a';
      } else if (next == '$') {
        word += "\\$";
      } else {
        word += next;
      }
      continue;
    }
    if (groups.empty() && c == ' ') {
      endWord();
      continue;
    }
    if (groups.empty() && (c == '\n' || c == '\r' || c == ';')) {
      endStatement();
      continue;
    }
    word += c;
    if (c == '(' || c == '[') groups += c;
    if (c == ')' || c == ']') {
      char open = c == ')' ? '(' : '[';
      if (groups.empty() || groups.back() != open) {
        reading.fault = c == ')' ? "Unexpected ')'\n" : "Unexpected ']'\n";
        reading.status = -1;
        reading.offset = i;
        return reading;
      }
      groups.pop_back();
    }
  }
  endStatement();
  return reading;
}

// The 1-based line of byte `offset`, counted from the start.
std::uint32_t lineByCounting(std::string_view source, std::size_t offset) {
  std::uint32_t line = 1;
  for (std::size_t i = 0; i < offset && i < source.size(); ++i) {
    if (source[i] == '\n' || (source[i] == '\r' && (i + 1 == source.size() ||
                                                    source[i + 1] != '\n')))
      ++line;
  }
  return line;
}

void checkCutting(std::string_view source) {
  Reading expected = readByTheRules(source);
  StatementCutter cutter(source);
  LineIndex lines(source);
  Statement statement;
  std::size_t count = 0;
  std::size_t previousStart = 0;
  for (;;) {
    StatementCutter::Step step = cutter.next(statement);
    if (step == StatementCutter::Step::Fault) {
      expect(expected.fault.has_value(), "a fault the rules do not see");
      expect(cutter.fault().message == *expected.fault, "fault message");
      expect(cutter.fault().status == expected.status, "fault status");
      expect(cutter.fault().offset == expected.offset, "fault offset");
      break;
    }
    if (step == StatementCutter::Step::End) {
      expect(!expected.fault, "a fault the cutter does not see");
      break;
    }
    expect(count < expected.statements.size(), "a statement too many");
    const std::vector<std::string>& words = expected.statements[count];
    expect(statement.words.size() == words.size(), "word count");
    for (std::size_t i = 0; i < words.size(); ++i) {
      const RawWord& raw = statement.words[i];
      std::string text = decodeWord(source, raw);
      expect(text == words[i], "word text");
      if (!raw.escaped)
        expect(plainWord(source, raw) == text, "plain word text");
    }
    expect(count == 0 || statement.start > previousStart,
           "statements out of order");
    previousStart = statement.start;
    // Only the first statements are counted out, to keep long inputs fast.
    if (count < 64)
      expect(lines.lineOf(statement.start) ==
                 lineByCounting(source, statement.start),
             "line number");
    std::string_view shown = statementText(source, statement.start);
    expect(!shown.empty() && shown.data() == source.data() + statement.start,
           "statement text start");
    expect(!trimmed(shown.back()), "statement text end");
    ++count;
  }
  expect(count == expected.statements.size(), "a statement too few");
}

std::size_t compiledStatements(const std::string& source, bool generic) {
  Machine machine(Predefined{[] { return std::string("/sandbox"); },
                             [] { return std::string("sandbox"); }});
  CompileOptions options;
  options.generic = generic;
  std::optional<LoadFault> fault = compile(machine, source, options);
  return fault ? SIZE_MAX : machine.program.size();
}

}  // namespace
}  // namespace corvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string source(reinterpret_cast<const char*>(data), size);
  corvel::fuzz::checkCutting(source);
  corvel::fuzz::expect(corvel::fuzz::compiledStatements(source, false) ==
                           corvel::fuzz::compiledStatements(source, true),
                       "the two compilations differ");
  return 0;
}
