// The loader: cuts the bytes of a script into statements of words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// Where one word lies in the script: its bytes before escapes are decoded and
// before the word is trimmed. Most words hold no escape, and their text is a
// plain view of the script.
struct RawWord {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool escaped = false;
};

// One statement: where it starts (its first word) and its words, never none.
struct Statement {
  std::size_t start = 0;
  std::vector<RawWord> words;
};

// A fault in the source format, which ends the load: the message, the exit
// status it calls for and where in the script it lies.
struct LoadFault {
  std::string_view message;
  int status = 0;
  std::size_t offset = 0;
};

// Cuts a script into statements one at a time, so that a script of any length
// is never held twice: the words are views of the script.
class StatementCutter {
 public:
  // Whether statements made only of words, blanks, tabs and groups that close
  // before the script ends are cut by the quick loop (the usual case); tests
  // turn it off to compare it with the careful one.
  enum class Speed : std::uint8_t { Quick, Careful };

  explicit StatementCutter(std::string_view source, Speed speed = Speed::Quick)
      : source_(source), quick_(speed == Speed::Quick) {}

  // The outcome of `next`.
  enum class Step : std::uint8_t { Statement, End, Fault };

  // Cuts the next statement into `statement`. At the end of the script gives
  // End; a stray backslash or a closing bracket of the wrong kind gives Fault
  // (see `fault`).
  Step next(Statement& statement);

  // The fault that `next` met.
  const LoadFault& fault() const { return fault_; }
  // Where the groups still open at the end of the script were opened, outermost
  // first (an unclosed group swallows the rest of the script).
  const std::vector<std::size_t>& openGroups() const { return groupStarts_; }
  // Where the cutter stands: the offset of the next byte it reads.
  std::size_t position() const { return position_; }
  // Continues cutting at `offset`, the start of a statement.
  void moveTo(std::size_t offset) {
    position_ = offset;
    groups_.clear();
    groupStarts_.clear();
  }

 private:
  // Cuts the next statement when it holds no escape, no stray closing
  // bracket and no group left open at the end; nothing, with `position_`
  // unchanged, otherwise.
  std::optional<Step> nextQuick(Statement& statement);

  std::string_view source_;
  bool quick_ = true;
  std::size_t position_ = 0;
  std::string groups_;  // the open brackets, innermost last
  std::vector<std::size_t> groupStarts_;
  LoadFault fault_;
};

// What an escaped byte stands for: \n \r \a are control characters, and every
// other byte stands for itself (\\ \[ \] \( \) \% and unknown ones alike).
inline char escapedByte(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 'a':
      return '\a';
    default:
      return c;
  }
}

// Hands `emit` the bytes of `word` of `source` one by one, escapes decoded. The
// escape of `$` keeps its backslash, so that evaluation can tell a literal
// dollar sign from a variable reference.
template <typename Emit>
void decodeEscapes(std::string_view source, const RawWord& word, Emit&& emit) {
  for (std::size_t i = word.begin; i < word.end; ++i) {
    char c = source[i];
    if (c == '\\' && i + 1 < word.end) {
      char next = source[++i];
      if (next == '$') emit('\\');
      emit(escapedByte(next));
      continue;
    }
    emit(c);
  }
}

// Returns how many line feeds, carriage returns and `;` `text` holds: a bound
// on the number of its statements, less one.
std::size_t countStatementEnds(std::string_view text);

// Returns the text of `word` of `source`: escapes decoded, and the word trimmed
// of the characters `chomp` trims.
std::string decodeWord(std::string_view source, const RawWord& word);
// The same for a word without escapes, as a view of `source`.
inline std::string_view plainWord(std::string_view source,
                                  const RawWord& word) {
  // The cutter gave bounds inside `source`: no need to check them again.
  return std::string_view(source.data() + word.begin, word.end - word.begin);
}

// The line numbers of a script, found on demand.
class LineIndex {
 public:
  explicit LineIndex(std::string_view source);
  // The 1-based line that holds byte `offset`. A line ends at a line feed, or
  // at a carriage return not followed by one.
  std::uint32_t lineOf(std::size_t offset) const;

 private:
  std::vector<std::size_t> lineStarts_;
};

// Returns the text of the statement that starts at `start` as the script
// writes it, with its trailing blanks and line break dropped.
std::string_view statementText(std::string_view source, std::size_t start);

}  // namespace corvel
