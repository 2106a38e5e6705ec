// The loader: cuts the bytes of a script into statements of words.
#include "interpreter/loader.h"

#include <algorithm>
#include <array>

#include "base/text.h"

namespace corvel {

namespace {

// The bytes that are part of a word and nothing else, in and out of groups:
// no blank, line break, `;`, bracket, backslash or trimmed character.
constexpr std::array<bool, 256> kPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0; c < 256; ++c) {
    auto byte = static_cast<char>(c);
    plain[static_cast<std::size_t>(c)] =
        !isTrimmed(byte) && byte != ';' && byte != '(' && byte != ')' &&
        byte != '[' && byte != ']' && byte != '\\';
  }
  return plain;
}();

bool isPlain(char c) { return kPlain[static_cast<unsigned char>(c)]; }

}  // namespace

StatementCutter::Step StatementCutter::next(Statement& statement) {
  statement.words.clear();
  const char* s = source_.data();
  const std::size_t n = source_.size();
  std::size_t i = position_;
  // The word being read: where it began, whether it holds an escape, and
  // whether anything in it survives trimming.
  bool inWord = false;
  std::size_t wordBegin = 0;
  bool wordEscaped = false;
  bool substantial = false;

  auto finishWord = [&](std::size_t end) {
    if (!inWord) return;
    inWord = false;
    if (!substantial) return;
    RawWord word{wordBegin, end, wordEscaped};
    if (!wordEscaped) {
      while (isTrimmed(s[word.begin])) ++word.begin;
      while (isTrimmed(s[word.end - 1])) --word.end;
    }
    if (statement.words.empty()) {
      statement.start = word.begin;
      while (statement.start < end && s[statement.start] != '\\' &&
             isTrimmed(s[statement.start]))
        ++statement.start;
    }
    statement.words.push_back(word);
  };

  for (; i < n; ++i) {
    char c = s[i];
    if (c == '\\') {
      if (i + 1 == n) {
        fault_ = {"stray \\ at the end of the file", 1, i};
        position_ = n;
        return Step::Fault;
      }
      if (!inWord) {
        inWord = true;
        wordBegin = i;
        wordEscaped = false;
        substantial = false;
      }
      wordEscaped = true;
      if (!isTrimmed(escapedByte(s[i + 1]))) substantial = true;
      ++i;
      continue;
    }
    if (groups_.empty()) {
      if (c == ' ') {
        finishWord(i);
        continue;
      }
      if (c == '\n' || c == '\r' || c == ';') {
        finishWord(i);
        if (!statement.words.empty()) {
          position_ = i + 1;
          return Step::Statement;
        }
        continue;
      }
    }
    if (!inWord) {
      inWord = true;
      wordBegin = i;
      wordEscaped = false;
      substantial = false;
    }
    if (isPlain(c)) {
      // Most bytes mean nothing to the cutter: skip a run of them at once.
      substantial = true;
      while (i + 1 < n && isPlain(s[i + 1])) ++i;
      continue;
    }
    if (!isTrimmed(c)) substantial = true;
    switch (c) {
      case '(':
      case '[':
        groups_.push_back(c);
        groupStarts_.push_back(i);
        break;
      case ')':
      case ']': {
        char open = c == ')' ? '(' : '[';
        if (groups_.empty() || groups_.back() != open) {
          fault_ = {c == ')' ? "Unexpected ')'\n" : "Unexpected ']'\n", -1, i};
          position_ = n;
          return Step::Fault;
        }
        groups_.pop_back();
        groupStarts_.pop_back();
        break;
      }
      default:
        break;
    }
  }
  // At the end of the script the statement ends as at a line feed, whatever
  // group is still open: the rest of the script belongs to the word that opened
  // it.
  finishWord(n);
  position_ = n;
  return statement.words.empty() ? Step::End : Step::Statement;
}

std::string decodeWord(std::string_view source, const RawWord& word) {
  std::string text;
  text.reserve(word.end - word.begin);
  decodeEscapes(source, word, [&](char c) { text += c; });
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isTrimmed(text[begin])) ++begin;
  while (end > begin && isTrimmed(text[end - 1])) --end;
  text.erase(end);
  text.erase(0, begin);
  return text;
}

std::string_view plainWord(std::string_view source, const RawWord& word) {
  return source.substr(word.begin, word.end - word.begin);
}

LineIndex::LineIndex(std::string_view source) {
  lineStarts_.push_back(0);
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (source[i] == '\n' ||
        (source[i] == '\r' && (i + 1 == source.size() || source[i + 1] != '\n')))
      lineStarts_.push_back(i + 1);
  }
}

std::uint32_t LineIndex::lineOf(std::size_t offset) const {
  auto after =
      std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
  return static_cast<std::uint32_t>(after - lineStarts_.begin());
}

std::string_view statementText(std::string_view source, std::size_t start) {
  StatementCutter cutter(source);
  cutter.moveTo(start);
  Statement statement;
  cutter.next(statement);
  std::size_t end = std::min(cutter.position(), source.size());
  while (end > start && isTrimmed(source[end - 1])) --end;
  // A `;` that ended the statement is not part of it.
  if (end > start && source[end - 1] == ';' && cutter.position() == end) --end;
  while (end > start && isTrimmed(source[end - 1])) --end;
  return source.substr(start, end - start);
}

}  // namespace corvel
