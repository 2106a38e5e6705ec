// The loader: cuts the bytes of a script into statements of words.
#include "interpreter/loader.h"

#include <algorithm>
#include <array>

#include "base/text.h"

namespace corvel {

namespace {

// What a byte outside a group does: most are text; a blank ends a word; a line
// break or `;` ends the statement; brackets open and close groups; a backslash
// escapes the next byte; the other trimmed characters belong to the word but
// are trimmed off its ends.
enum class Role : std::uint8_t { Text, Blank, End, Open, Close, Escape, Trim };

constexpr std::array<Role, 256> kRoles = [] {
  std::array<Role, 256> roles{};
  for (int c = 0; c < 256; ++c) {
    auto byte = static_cast<char>(c);
    Role role = Role::Text;
    if (byte == ' ') {
      role = Role::Blank;
    } else if (byte == '\n' || byte == '\r' || byte == ';') {
      role = Role::End;
    } else if (byte == '(' || byte == '[') {
      role = Role::Open;
    } else if (byte == ')' || byte == ']') {
      role = Role::Close;
    } else if (byte == '\\') {
      role = Role::Escape;
    } else if (isTrimmed(byte)) {
      role = Role::Trim;
    }
    roles[static_cast<std::size_t>(c)] = role;
  }
  return roles;
}();

Role roleOf(char c) { return kRoles[static_cast<unsigned char>(c)]; }

// Inside a group every byte is part of the word but brackets and backslashes.
bool isGroupText(char c) {
  Role role = roleOf(c);
  return role != Role::Open && role != Role::Close && role != Role::Escape;
}

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

  auto startWord = [&] {
    if (inWord) return;
    inWord = true;
    wordBegin = i;
    wordEscaped = false;
    substantial = false;
  };
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

  while (i < n) {
    char c = s[i];
    Role role = roleOf(c);
    if (role == Role::Escape) {
      if (i + 1 == n) {
        fault_ = {"stray \\ at the end of the file", 1, i};
        position_ = n;
        return Step::Fault;
      }
      startWord();
      wordEscaped = true;
      if (!isTrimmed(escapedByte(s[i + 1]))) substantial = true;
      i += 2;
      continue;
    }
    if (!groups_.empty()) {
      // Inside a group (always inside a word, which its bracket made
      // substantial), only brackets and escapes mean anything: skip a run of
      // other bytes at once.
      if (isGroupText(c)) {
        ++i;
        while (i < n && isGroupText(s[i])) ++i;
        continue;
      }
    } else {
      switch (role) {
        case Role::Text:
          // Most bytes mean nothing to the cutter: skip a run of them at once.
          startWord();
          substantial = true;
          ++i;
          while (i < n && roleOf(s[i]) == Role::Text) ++i;
          continue;
        case Role::Blank:
          finishWord(i);
          ++i;
          continue;
        case Role::End:
          finishWord(i);
          ++i;
          if (!statement.words.empty()) {
            position_ = i;
            return Step::Statement;
          }
          continue;
        case Role::Trim:
          startWord();
          ++i;
          continue;
        case Role::Open:
        case Role::Close:
        case Role::Escape:
          startWord();
          substantial = true;
          break;
      }
    }
    if (role == Role::Open) {
      groups_.push_back(c);
      groupStarts_.push_back(i);
    } else {
      char open = c == ')' ? '(' : '[';
      if (groups_.empty() || groups_.back() != open) {
        fault_ = {c == ')' ? "Unexpected ')'\n" : "Unexpected ']'\n", -1, i};
        position_ = n;
        return Step::Fault;
      }
      groups_.pop_back();
      groupStarts_.pop_back();
    }
    ++i;
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
