// The loader: reads a script file and cuts it into token lines.
#include "interpreter/loader.h"

#include "files/whole_file.h"
#include "interpreter/console.h"

namespace corvel {

namespace {

class Cutter {
 public:
  std::vector<TokenLine> lines;

  void append(char c) { word_.push_back(c); }

  void finishWord() {
    std::size_t begin = 0;
    std::size_t end = word_.size();
    while (begin < end && isTrimmed(word_[begin])) ++begin;
    while (end > begin && isTrimmed(word_[end - 1])) --end;
    if (begin < end) line_.emplace_back(word_, begin, end - begin);
    word_.clear();
  }

  void finishStatement() {
    finishWord();
    if (!line_.empty()) {
      lines.push_back(std::move(line_));
      line_.clear();
    }
  }

 private:
  std::string word_;
  TokenLine line_;
};

char escaped(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 'a':
      return '\a';
    default:
      // Every other escaped byte stands for itself: \\ \[ \] \( \) \% and
      // unknown ones alike.
      return c;
  }
}

}  // namespace

std::vector<TokenLine> loadCode(std::string_view source) {
  Cutter cutter;
  std::string groups;  // the open brackets, innermost last
  for (std::size_t i = 0; i < source.size(); ++i) {
    char c = source[i];
    if (c == '\\') {
      if (++i == source.size()) fail("stray \\ at the end of the file", 1);
      char next = source[i];
      // The backslash stays before a dollar so that evaluation can tell a
      // literal dollar sign from a variable reference.
      if (next == '$') cutter.append('\\');
      cutter.append(escaped(next));
      continue;
    }
    bool inGroup = !groups.empty();
    switch (c) {
      case ' ':
        if (inGroup) {
          cutter.append(c);
        } else {
          cutter.finishWord();
        }
        break;
      case '\n':
      case '\r':
      case ';':
        if (inGroup) {
          cutter.append(c);
        } else {
          cutter.finishStatement();
        }
        break;
      case '(':
      case '[':
        cutter.append(c);
        groups.push_back(c);
        break;
      case ')':
        cutter.append(c);
        if (groups.empty() || groups.back() != '(')
          fail("Unexpected ')'\n", -1);
        groups.pop_back();
        break;
      case ']':
        cutter.append(c);
        if (groups.empty() || groups.back() != '[')
          fail("Unexpected ']'\n", -1);
        groups.pop_back();
        break;
      default:
        cutter.append(c);
    }
  }
  // An unclosed group is not reported: the rest of the file belongs to the word
  // that opened it.
  cutter.finishStatement();
  return std::move(cutter.lines);
}

std::vector<TokenLine> loadCodeFromFile(const std::string& path) {
  std::optional<std::string> source = readWholeFile(path);
  if (!source) fail("Cannot open script: " + path + "\n", 1);
  return loadCode(*source);
}

}  // namespace corvel
