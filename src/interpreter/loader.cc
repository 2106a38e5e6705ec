// The loader: cuts the bytes of a script into statements of words.
#include "interpreter/loader.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// Moves `i` from the opening bracket at `s[i]` past the bracket that closes
// it. False for a group that holds an escape, closes with the wrong bracket or
// is still open at the end (`n`), which the careful loop reports.
bool skipGroup(const char* s, std::size_t n, std::size_t& i) {
  // One bit per open group, the innermost lowest: set for `[`.
  std::uint64_t squares = 0;
  unsigned depth = 0;
  std::size_t at = i;
  for (;;) {
    char c = s[at];
    if (c == '(' || c == '[') {
      if (depth == 64) return false;
      squares = squares << 1 | (c == '[' ? 1u : 0u);
      ++depth;
    } else if (c == ')' || c == ']') {
      if (((squares & 1) != 0) != (c == ']')) return false;
      squares >>= 1;
      if (--depth == 0) {
        i = at + 1;
        return true;
      }
    } else {
      return false;
    }
    ++at;
    while (at < n && isGroupText(s[at])) ++at;
    if (at == n) return false;
  }
}

}  // namespace

std::optional<StatementCutter::Step> StatementCutter::nextQuick(
    Statement& statement) {
  const char* s = source_.data();
  const std::size_t n = source_.size();
  std::vector<RawWord>& words = statement.words;
  std::size_t i = position_;
  for (;;) {
    // Between words: blanks, and the line breaks of empty statements.
    for (;; ++i) {
      if (i == n) {
        position_ = n;
        return words.empty() ? Step::End : Step::Statement;
      }
      Role role = roleOf(s[i]);
      if (role == Role::Blank) continue;
      if (role != Role::End) break;
      if (!words.empty()) {
        position_ = i + 1;
        return Step::Statement;
      }
    }
    std::size_t begin = i;
    // Whether the word holds a tab or another trimmed character, which may
    // stand at its ends.
    bool loose = false;
    while (i < n) {
      Role role = roleOf(s[i]);
      if (role == Role::Text) {
        ++i;
      } else if (role == Role::Trim) {
        loose = true;
        ++i;
      } else if (role == Role::Open) {
        if (!skipGroup(s, n, i)) return std::nullopt;
      } else if (role == Role::Blank || role == Role::End) {
        break;
      } else {
        // An escape, or a closing bracket with no group open.
        return std::nullopt;
      }
    }
    std::size_t end = i;
    if (loose) {
      while (begin < end && isTrimmed(s[begin])) ++begin;
      while (end > begin && isTrimmed(s[end - 1])) --end;
      // Trimmed characters alone make no word.
      if (begin == end) continue;
    }
    if (words.empty()) statement.start = begin;
    words.push_back({begin, end, false});
  }
}

StatementCutter::Step StatementCutter::next(Statement& statement) {
  statement.words.clear();
  if (quick_ && groups_.empty()) {
    if (std::optional<Step> step = nextQuick(statement)) return *step;
    statement.words.clear();
  }
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

std::size_t countStatementEnds(std::string_view text) {
  // Sixteen bytes at a time: each lane of `lanes` counts the matches at its
  // place, and is added up before it could wrap, every 255 blocks.
  using Block = unsigned char __attribute__((vector_size(16)));
  constexpr std::size_t kBlock = sizeof(Block);
  const Block lineFeeds = Block{} + '\n';
  const Block returns = Block{} + '\r';
  const Block semicolons = Block{} + ';';
  std::size_t count = 0;
  std::size_t i = 0;
  while (text.size() - i >= kBlock) {
    std::size_t blocks = std::min<std::size_t>((text.size() - i) / kBlock, 255);
    Block lanes{};
    for (std::size_t b = 0; b < blocks; ++b, i += kBlock) {
      Block bytes;
      std::memcpy(&bytes, text.data() + i, kBlock);
      // A match is a lane of all ones: taking it away adds one.
      lanes -= reinterpret_cast<Block>(
          (bytes == lineFeeds) | (bytes == returns) | (bytes == semicolons));
    }
    for (std::size_t lane = 0; lane < kBlock; ++lane) count += lanes[lane];
  }
  for (; i < text.size(); ++i)
    count += (text[i] == '\n') + (text[i] == ';') + (text[i] == '\r');
  return count;
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
    if (source[i] == '\n' || (source[i] == '\r' && (i + 1 == source.size() ||
                                                    source[i + 1] != '\n')))
      lineStarts_.push_back(i + 1);
  }
}

std::uint32_t LineIndex::lineOf(std::size_t offset) const {
  auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
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
