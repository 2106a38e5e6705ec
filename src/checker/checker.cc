// The checker: reads a script the way the interpreter loads it and points at
// what is most likely a mistake, without running any of it.
#include "checker/checker.h"

#include <algorithm>
#include <set>

#include "base/text.h"
#include "checker/closest_word.h"
#include "interpreter/command_table.h"
#include "interpreter/control_flow.h"

namespace corvel {

namespace {

constexpr CheckCode kCodes[] = {
    {"load-error", "the interpreter refuses the whole script"},
    {"unclosed-bracket", "a bracket never closed swallows the rest"},
    {"unknown-command", "a word that is no command: the line does nothing"},
    {"unknown-function", "a one-character word that is no command"},
    {"hash-line", "'#' alone starts no comment"},
    {"comment", "a line that looks like a comment"},
    {"comment-words", "words that look like a comment among arguments"},
    {"command-alone", "a command alone on its line does nothing"},
    {"word-count", "a command with the wrong number of words"},
    {"one-word-command", "exit, wait, beep or terminate with more words"},
    {"words-after-brace", "words after '}' do nothing"},
    {"spaced-label", "a label line '* name' reached in sequence"},
    {"missing-label", "a goto to a label no line carries"},
    {"goto-bare-word", "a goto to a bare word"},
    {"not-a-comparison", "an if whose operator is no comparison"},
    {"if-last-word", "an if whose last word is not '{'"},
    {"nested-block", "an 'if ... {' inside a block"},
    {"lone-dollar", "a '$' that names no variable"},
    {"not-a-variable", "a literal or arithmetic where a variable is taken"},
    {"undeclared", "a variable declared nowhere"},
    {"redeclared", "a declaration that does nothing"},
    {"dollar-digit", "a '$' before a digit in a literal"},
    {"run-on-reference", "a reference in a literal that runs on"},
    {"arithmetic-nesting", "arithmetic with parentheses inside"},
    {"arithmetic-empty", "empty arithmetic"},
    {"arithmetic-blank", "a blank after '(' or before ')'"},
    {"arithmetic-spacing", "an operation written without blanks"},
    {"arithmetic-variable", "a variable alone in arithmetic gives 0"},
    {"arithmetic-shape", "arithmetic of two parts"},
    {"arithmetic-chain", "more than one operation"},
    {"arithmetic-operator", "no arithmetic operator"},
    {"arithmetic-type", "a variable that is no int in arithmetic"},
    {"bare-word", "a bare word where a value is read"},
    {"no-escape", "a backslash before a letter or digit that is no escape"},
    {"unknown-code", "a //nocheck that names no warning code"},
    {"directive-after-if", "a //nocheck that a braceless if skips"},
};

constexpr std::string_view kDeclarations[] = {"int", "string", "array", "file"};

bool contains(std::span<const std::string_view> words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

bool encloses(std::string_view text, char open, char close) {
  return text.size() >= 2 && text.front() == open && text.back() == close;
}

// Whether `c` may stand in a name that an author ends with a blank: letters,
// digits, `_`, and every byte of a character beyond ASCII.
bool isNameByte(char c) {
  auto byte = static_cast<unsigned char>(c);
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || byte == '_' || byte >= 0x80;
}

bool isLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9');
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

bool isInteger(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+'))
    text.remove_prefix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
}

// `text` quoted for a message: control characters as escapes, and a long
// text cut short, so that a warning stays one readable line.
std::string quoted(std::string_view text) {
  constexpr std::size_t kLongest = 40;
  std::string out = "'";
  std::size_t shown = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    // Cut only before the first byte of a character.
    if (shown >= kLongest && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      out += "...";
      break;
    }
    ++shown;
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\a':
        out += "\\a";
        break;
      default:
        out += c;
    }
  }
  out += '\'';
  return out;
}

std::string withoutLineFeed(std::string_view text) {
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return std::string(text);
}

// The arguments a command takes, in words, as in "2 arguments".
std::string argumentCount(WordCount count) {
  std::size_t least = count.min - 1;
  std::size_t most = count.max == SIZE_MAX ? least : count.max - 1;
  std::string plural = most == 1 ? " argument" : " arguments";
  if (count.max == SIZE_MAX)
    return "at least " + std::to_string(least) + plural;
  if (least == most) return std::to_string(least) + plural;
  return std::to_string(least) + " or " + std::to_string(most) + plural;
}

// The parts of an arithmetic word's inside, split at runs of blanks.
std::vector<std::string_view> arithmeticParts(std::string_view inside) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < inside.size()) {
    std::size_t end = inside.find(' ', i);
    if (end == std::string_view::npos) end = inside.size();
    if (end > i) parts.push_back(inside.substr(i, end - i));
    i = end + 1;
  }
  return parts;
}

// The UTF-8 form of the code point `code`, when it is a character an author
// would rather write itself: no control character, surrogate or non-character.
std::optional<std::string> printableCharacter(std::uint32_t code) {
  if (code < 0x20 || (code >= 0x7F && code < 0xA0) ||
      (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF ||
      (code & 0xFFFE) == 0xFFFE)
    return std::nullopt;
  std::string out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

class Checker {
 public:
  explicit Checker(const ScriptModel& model)
      : model_(model), source_(model.source()), whole_(model.whole()) {}

  std::vector<Finding> run() {
    collect();
    const std::vector<ModelStatement>& statements = model_.statements();
    for (std::uint32_t i = 0; i < statements.size(); ++i) {
      index_ = i;
      checkStatement(statements[i]);
      checkEscapes(statements[i]);
    }
    if (std::optional<std::size_t> open = model_.openGroup()) {
      warnAt("unclosed-bracket", {*open, *open + 1},
             quoted(source_.substr(*open, 1)) +
                 " opened here is never closed: the rest of the script "
                 "becomes part of one word and never runs");
    }
    if (const std::optional<LoadFault>& fault = model_.fault()) {
      std::string message = withoutLineFeed(fault->message);
      message += ": corvel refuses the whole script, so none of it runs";
      if (message.starts_with("Unexpected"))
        message += " (write " + quoted("\\" + message.substr(12, 1)) +
                   " for a plain bracket)";
      warnAt("load-error", {fault->offset, fault->offset + 1},
             std::move(message));
      findings_.back().error = true;
    }
    silence();
    std::stable_sort(
        findings_.begin(), findings_.end(),
        [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return std::move(findings_);
  }

 private:
  // Notes the declarations, which lines anywhere may use, and warns about
  // those that do nothing.
  void collect() {
    for (std::string_view name : kPredefinedVariables)
      declared_.emplace(std::string(name), Declaration{"string", 0});
    for (const Occurrence& occurrence : model_.occurrences()) {
      if (!occurrence.declaration) continue;
      index_ = occurrence.statement;
      std::uint32_t line = model_.statements()[occurrence.statement].line;
      auto [found, added] = declared_.emplace(
          std::string(occurrence.name), Declaration{occurrence.type, line});
      const Declaration& first = found->second;
      if (added || first.type == occurrence.type || !whole_) continue;
      std::string message = quoted("$" + std::string(occurrence.name));
      if (first.line == 0) {
        message += " is predefined as a string";
      } else {
        message += " is declared " + quoted(first.type) + " on line " +
                   std::to_string(first.line);
      }
      warn("redeclared", model_.words()[occurrence.word],
           message + ", so this " + quoted(occurrence.type) +
               " declaration does nothing");
    }
  }

  const ModelWord& wordOf(const ModelStatement& statement,
                          std::size_t number) const {
    return model_.word(statement, number);
  }

  void checkStatement(const ModelStatement& statement) {
    const ModelWord& firstWord = wordOf(statement, 1);
    std::string_view first = firstWord.text;
    command_ = first;
    std::size_t count = statement.wordCount;
    switch (statement.kind) {
      case StatementKind::Shebang:
        return;
      case StatementKind::Directive:
        checkDirective(statement);
        return;
      case StatementKind::BlockEnd:
        openBlock_ = 0;
        if (count > 1) {
          std::string message = "the words after '}' do nothing";
          if (wordOf(statement, 2).text == "else")
            message +=
                " (there is no 'else': jump over the other branch with goto)";
          warnAt("words-after-brace",
                 {wordOf(statement, 2).span.begin, statement.span.end},
                 message);
        }
        return;
      case StatementKind::Comment:
        if (first == "#") {
          warn("hash-line", firstWord,
               "'#' starts no comment (the language has none): reaching this "
               "line ends the run with \"Unknown function #\"");
        } else {
          warnAt("comment", statement.span,
                 "the language has no comments: this line does nothing, but "
                 "brackets and ';' in it still count");
        }
        return;
      case StatementKind::Label:
        if (first == "*") checkSpacedLabel(statement);
        return;
      case StatementKind::OneWord:
        return;
      case StatementKind::NoCommand:
        checkNoCommand(statement);
        return;
      case StatementKind::Command:
        break;
    }
    const Command& command = *statement.command;
    if (count == 1) {
      std::string message = quoted(first) + " alone on its line does nothing";
      if (command.usage.empty()) {
        message += "; it takes " + argumentCount(command.count);
      } else {
        message += " (" + withoutLineFeed(command.usage) + ")";
      }
      warn("command-alone", firstWord, message);
      return;
    }
    if (count < command.count.min || count > command.count.max) {
      std::string message =
          quoted(first) + " takes " + argumentCount(command.count) + ", not " +
          std::to_string(count - 1) + "; the run ends with \"" +
          withoutLineFeed(command.usage) + "\"";
      for (std::size_t i = 2; i <= count; ++i) {
        if (looksLikeComment(wordOf(statement, i).text)) {
          message += " (the language has no comments)";
          break;
        }
      }
      warnAt("word-count", statement.span, message);
      return;
    }
    if (statement.swallowing) return;
    checkArguments(command, statement);
  }

  void checkNoCommand(const ModelStatement& statement) {
    const ModelWord& firstWord = wordOf(statement, 1);
    std::string_view first = firstWord.text;
    for (const OneWordCommand& row : oneWordCommands()) {
      if (row.word != first) continue;
      warn("one-word-command", firstWord,
           quoted(first) +
               " works only alone on its line; with more words the line does "
               "nothing");
      return;
    }
    if (utf16Length(first) == 1) {
      std::string message = quoted(first) +
                            " is no command: reaching this line ends the run "
                            "with \"Unknown function " +
                            std::string(first) + "\"";
      if (first == "{") message += " (a block's '{' ends its 'if' line)";
      warn("unknown-function", firstWord, message);
      return;
    }
    std::string message =
        quoted(first) + " is no command; the line does nothing";
    if (first.starts_with("}")) {
      warn("unknown-command", firstWord,
           message + " (a block's '}' must be a word of its own)");
      return;
    }
    if (commandWords_.empty()) {
      for (const Command& row : commandRows())
        commandWords_.push_back(row.word);
      for (const OneWordCommand& row : oneWordCommands())
        commandWords_.push_back(row.word);
    }
    std::optional<std::string_view> close = closestWord(first, commandWords_);
    if (close) message += " (did you mean " + quoted(*close) + "?)";
    warn("unknown-command", firstWord, message);
    if (close && !firstWord.escaped)
      findings_.back().fix =
          Fix{"Write " + quoted(*close), firstWord.span, std::string(*close)};
    // The words of a misspelt command are checked as the command's, so that
    // mending the word brings no new surprise.
    const Command* meant = close ? findCommand(*close) : nullptr;
    if (meant != nullptr && statement.wordCount >= meant->count.min &&
        statement.wordCount <= meant->count.max && !statement.swallowing) {
      command_ = meant->word;
      checkArguments(*meant, statement);
    }
  }

  // A label line written `* name` works only as a jump target: the run that
  // reaches it in sequence ends at its one-character word.
  void checkSpacedLabel(const ModelStatement& statement) {
    const std::vector<ModelStatement>& statements = model_.statements();
    auto jumpsAway = [&](std::size_t i) {
      const ModelStatement& s = statements[i];
      std::string_view word = wordOf(s, 1).text;
      return (word == "goto" && s.wordCount == 2) ||
             (s.wordCount == 1 && (word == "exit" || word == "terminate"));
    };
    auto skipsOne = [&](std::size_t i) {
      const ModelStatement& s = statements[i];
      return wordOf(s, 1).text == "if" && s.wordCount == 4;
    };
    if (index_ > 0 && jumpsAway(index_ - 1) &&
        !(index_ > 1 && skipsOne(index_ - 2)))
      return;
    std::string message =
        statement.wordCount >= 2
            ? "the label line " +
                  quoted("* " + std::string(wordOf(statement, 2).text))
            : std::string("'*' alone");
    message +=
        " ends the run with \"Unknown function *\" when the run reaches it "
        "in sequence";
    if (statement.wordCount >= 2) {
      const ModelWord& name = wordOf(statement, 2);
      std::string written = "*" + std::string(name.text);
      message += "; write " + quoted(written);
      warnAt("spaced-label", statement.span, message);
      if (!name.escaped)
        findings_.back().fix =
            Fix{"Write " + quoted(written),
                {wordOf(statement, 1).span.begin, name.span.end},
                written};
      return;
    }
    warnAt("spaced-label", statement.span, message);
  }

  // Checks the words from word 2 on of a line of `command` of the right
  // count.
  void checkArguments(const Command& command, const ModelStatement& statement) {
    std::size_t count = statement.wordCount;
    if (contains(kDeclarations, command.word)) {
      for (std::size_t i = 2; i <= count; ++i) {
        const ModelWord& word = wordOf(statement, i);
        if (looksLikeComment(word.text)) {
          warnComment(statement, i, "are declared as variables");
          return;
        }
        if (word.text == "$") warnLoneDollarName(word);
      }
      return;
    }
    if (command.word == "if") {
      checkIf(statement);
      return;
    }
    if (command.word == "goto") {
      checkGoto(statement);
      return;
    }
    // `cin` ignores the words after its target.
    std::size_t end = command.word == "cin" ? 2 : count;
    for (std::size_t i = 2; i <= end; ++i) {
      if (takesName(command, i)) {
        checkName(command.word, wordOf(statement, i));
      } else if (!checkValue(statement, i)) {
        return;
      }
    }
  }

  void checkIf(const ModelStatement& statement) {
    if (!checkValue(statement, 2)) return;
    const ModelWord& comparison = wordOf(statement, 3);
    if (comparisonOf(comparison.text) == Comparison::Never)
      warn("not-a-comparison", comparison,
           quoted(comparison.text) +
               " is no comparison, so the condition never holds (use one of "
               "== != ~= !~= <> < > <= >= =< =>)");
    if (!checkValue(statement, 4)) return;
    if (statement.wordCount < 5) return;
    const ModelWord& last = wordOf(statement, 5);
    if (last.text != "{") {
      warn("if-last-word", last,
           "the last word of this 'if' is " + quoted(last.text) +
               ", not '{': when the condition is false the run ends with "
               "\"Expecting '{' as last parameter of if.\"");
    } else if (openBlock_ != 0) {
      warnAt("nested-block", statement.span,
             "an 'if ... {' inside the block opened on line " +
                 std::to_string(openBlock_) +
                 ": blocks do not nest, so when that condition is false its "
                 "skip ends at this block's '}'");
    } else {
      openBlock_ = statement.line;
    }
  }

  void checkGoto(const ModelStatement& statement) {
    const ModelWord& target = wordOf(statement, 2);
    const std::vector<Jump>& jumps = model_.jumps();
    auto found = std::lower_bound(
        jumps.begin(), jumps.end(), index_,
        [](const Jump& jump, std::uint32_t at) { return jump.statement < at; });
    const Jump* jump =
        found != jumps.end() && found->statement == index_ ? &*found : nullptr;
    if (jump == nullptr || !jump->label) {
      checkValue(statement, 2);
      return;
    }
    if (!whole_) return;
    const std::string& label = *jump->label;
    if (!model_.labelLines(label).empty()) return;
    if (jump->bare) {
      std::string written = "[" + std::string(target.text) + "]";
      warn("goto-bare-word", target,
           "a bare word gives no text, so " +
               quoted("goto " + std::string(target.text)) +
               " looks for the empty label, which no line carries; write " +
               quoted("goto " + written));
      if (!target.escaped)
        findings_.back().fix =
            Fix{"Write " + quoted(written), target.span, written};
      return;
    }
    std::string message = "no line carries the label " + quoted(label) +
                          ", so this goto ends the run";
    if (labelNames_.empty()) {
      std::set<std::string_view> names;
      for (const LabelLine& line : model_.labels()) names.insert(line.name);
      labelNames_.assign(names.begin(), names.end());
    }
    std::optional<std::string_view> close = closestWord(label, labelNames_);
    if (close) message += " (did you mean " + quoted(*close) + "?)";
    warn("missing-label", target, message);
    if (close && jump->plain)
      findings_.back().fix =
          Fix{"Write " + quoted(*close), jump->span, std::string(*close)};
  }

  void checkName(std::string_view command, const ModelWord& word) {
    if (word.text == "$") {
      warnLoneDollarName(word);
    } else if (word.text.starts_with("[") || word.text.starts_with("(")) {
      warn(
          "not-a-variable", word,
          quoted(command) + " takes a variable here, not " + quoted(word.text));
    } else {
      use(word.text.starts_with("$") ? word.text.substr(1) : word.text, word);
    }
  }

  // Checks an evaluated word; returns false when the rest of the line is
  // better left alone.
  bool checkValue(const ModelStatement& statement, std::size_t number) {
    const ModelWord& word = wordOf(statement, number);
    std::string_view text = word.text;
    if (text.starts_with("$")) {
      if (text.size() == 1) {
        warn("lone-dollar", word,
             "a lone '$' names no variable: the run ends with \"Not "
             "declared: $\"");
      } else {
        use(text.substr(1), word);
      }
    } else if (encloses(text, '[', ']')) {
      checkLiteral(statement, number);
    } else if (encloses(text, '(', ')')) {
      checkArithmetic(word);
    } else if (looksLikeComment(text)) {
      warnComment(statement, number, "are more arguments of this line");
      return false;
    } else {
      warnBareWord(word);
    }
    return true;
  }

  void checkLiteral(const ModelStatement& statement, std::size_t number) {
    const ModelWord& word = wordOf(statement, number);
    // Most literals hold no reference.
    if (word.text.find('$') == std::string_view::npos) return;
    std::uint32_t at =
        statement.firstWord + static_cast<std::uint32_t>(number) - 1;
    const std::vector<Occurrence>& occurrences = model_.occurrences();
    auto first = std::lower_bound(occurrences.begin(), occurrences.end(),
                                  word.span.begin,
                                  [](const Occurrence& o, std::size_t offset) {
                                    return o.span.begin < offset;
                                  });
    for (auto it = first; it != occurrences.end() && it->word == at; ++it) {
      const Occurrence& reference = *it;
      if (!reference.inLiteral) continue;
      std::string_view name = reference.name;
      // The `$` stands just before the name when the word is written plainly.
      Span dollar{reference.span.begin - 1, reference.span.begin};
      if (name.empty()) {
        warnAt("lone-dollar", dollar,
               "a '$' followed by a blank names no variable: the run ends "
               "with \"Not declared: $\" (write '\\$' for a dollar sign)");
        if (reference.plain)
          findings_.back().fix = Fix{"Write '\\$'", dollar, "\\$"};
        continue;
      }
      if (declared_.contains(name)) continue;
      std::size_t end = 0;
      while (end < name.size() && isNameByte(name[end])) ++end;
      if (end == name.size()) {
        if (name.front() >= '0' && name.front() <= '9') {
          warnAt("dollar-digit", {dollar.begin, reference.span.end},
                 quoted("$" + std::string(name)) +
                     " names no variable: the run ends with \"Not declared: "
                     "$" +
                     std::string(name) + "\" (write '\\$' for a dollar sign)");
          if (reference.plain)
            findings_.back().fix =
                Fix{"Write " + quoted("\\$" + std::string(name)),
                    {dollar.begin, dollar.begin},
                    "\\"};
        } else {
          use(name, reference.span);
        }
        continue;
      }
      std::string text = "$" + std::string(name);
      std::string message = quoted(text) +
                            " is one reference, to a variable named " +
                            quoted(name);
      std::string ended;
      if (end > 0) {
        ended = std::string(name.substr(0, end)) + "#" +
                std::string(name.substr(end));
        message += "; end it with '#' as in " + quoted("$" + ended);
      }
      warnAt("run-on-reference", {dollar.begin, reference.span.end}, message);
      if (end > 0 && reference.plain)
        findings_.back().fix =
            Fix{"Write " + quoted("$" + ended), reference.span, ended};
      if (end > 0)
        use(name.substr(0, end),
            Span{reference.span.begin, reference.span.begin + end});
    }
  }

  void checkArithmetic(const ModelWord& word) {
    std::string_view text = word.text;
    std::string_view inside = text.substr(1, text.size() - 2);
    std::string shown = quoted(text);
    auto fix = [&](const std::string& written) {
      if (!word.escaped)
        findings_.back().fix =
            Fix{"Write " + quoted(written), word.span, written};
    };
    if (inside.find_first_of("()") != std::string_view::npos) {
      warn("arithmetic-nesting", word,
           shown +
               " nests parentheses, but arithmetic does not nest (an inner "
               "'(' is skipped and the first ')' ends the word); compute one "
               "operation per line with 'set'");
      return;
    }
    if (inside.empty()) {
      warn("arithmetic-empty", word,
           shown + " is empty and gives 0; write (0)");
      fix("(0)");
      return;
    }
    std::vector<std::string_view> parts = arithmeticParts(inside);
    std::string tidy = "(";
    for (std::size_t i = 0; i < parts.size(); ++i)
      tidy += std::string(i == 0 ? "" : " ") + std::string(parts[i]);
    tidy += ")";
    if (inside.front() == ' ' || inside.back() == ' ') {
      warn("arithmetic-blank", word,
           shown +
               " has a blank after '(' or before ')', which shifts its parts; "
               "write " +
               quoted(tidy));
      fix(tidy);
      return;
    }
    if (parts.size() == 1) {
      checkOneOperand(word, parts[0]);
    } else if (parts.size() == 2) {
      warn("arithmetic-shape", word,
           shown +
               " is not 'operand operator operand' and gives its first part "
               "alone");
    } else if (parts.size() > 3) {
      warn("arithmetic-chain", word,
           shown + " holds more than one operation and only " +
               quoted(std::string(parts[0]) + " " + std::string(parts[1]) +
                      " " + std::string(parts[2])) +
               " counts; compute one operation per line with 'set'");
    } else if (parts[1].size() != 1 ||
               std::string_view("*+-/%").find(parts[1][0]) ==
                   std::string_view::npos) {
      warn("arithmetic-operator", word,
           quoted(parts[1]) +
               " is no arithmetic operator (use one of * + - / %) in " + shown);
    } else {
      checkOperand(word, parts[0]);
      checkOperand(word, parts[2]);
    }
  }

  // An arithmetic word of one part is read as digits, a variable's name too.
  void checkOneOperand(const ModelWord& word, std::string_view part) {
    std::size_t op = part.find_first_of("*+-/%", 1);
    if (op != std::string_view::npos && op + 1 < part.size()) {
      std::string gives =
          part.front() == '$' ? "0" : std::to_string(readInteger(part));
      std::string written = "(" + std::string(part.substr(0, op)) + " " +
                            part[op] + " " + std::string(part.substr(op + 1)) +
                            ")";
      warn("arithmetic-spacing", word,
           quoted(word.text) + " is one operand, not an operation, and gives " +
               gives + "; write " + quoted(written));
      if (!word.escaped)
        findings_.back().fix =
            Fix{"Write " + quoted(written), word.span, written};
    } else if (part.front() == '$') {
      std::string written = "(" + std::string(part) + " + 0)";
      warn("arithmetic-variable", word,
           quoted(word.text) + " gives 0, not the value of " + quoted(part) +
               "; write " + quoted(written));
      if (!word.escaped)
        findings_.back().fix =
            Fix{"Write " + quoted(written), word.span, written};
    }
  }

  void checkOperand(const ModelWord& word, std::string_view operand) {
    if (!operand.starts_with("$")) return;
    std::string_view name = operand.substr(1);
    auto found = declared_.find(name);
    if (found == declared_.end()) {
      use(name, word);
    } else if (found->second.type != "int") {
      warn("arithmetic-type", word,
           quoted(operand) + " is " +
               (found->second.type == "array" ? "an " : "a ") +
               std::string(found->second.type) +
               ", and arithmetic counts every variable but an int as 0");
    }
  }

  void warnBareWord(const ModelWord& word) {
    std::string_view text = word.text;
    std::string message = quoted(text) + " is a bare word";
    std::string written;
    if (command_ == "add") {
      message += ", so 'add' appends nothing";
      if (text.find_first_of("[]()") == std::string_view::npos) {
        written = (isInteger(text) ? "(" : "[") + std::string(text) +
                  (isInteger(text) ? ")" : "]");
        message += "; write " + quoted(written);
      }
    } else if (isInteger(text)) {
      written = "(" + std::string(text) + ")";
      message += ", not a number: it gives the empty text and 0; write " +
                 quoted(written);
    } else if (text.starts_with("[")) {
      message += " (it does not end with ']'): it gives the empty text";
    } else if (text.starts_with("(")) {
      message += " (it does not end with ')'): it gives 0";
    } else if (text.find_first_of("[]()") != std::string_view::npos) {
      message += ": it gives the empty text and 0";
    } else {
      message += ": it gives the empty text and 0; write " +
                 quoted("[" + std::string(text) + "]") + " for a text";
    }
    warn("bare-word", word, message);
    if (!written.empty() && !word.escaped)
      findings_.back().fix =
          Fix{"Write " + quoted(written), word.span, written};
  }

  void warnComment(const ModelStatement& statement, std::size_t number,
                   std::string_view what) {
    const ModelWord& word = wordOf(statement, number);
    warnAt("comment-words", {word.span.begin, statement.span.end},
           "the language has no comments: " + quoted(word.text) +
               " and the words after it " + std::string(what));
  }

  void warnLoneDollarName(const ModelWord& word) {
    warn("lone-dollar", word,
         "a lone '$' is no variable name: the run ends with \"Invalid "
         "variable name: $\"");
  }

  // A backslash before a letter or digit that is no escape gives that
  // character, which is never what `\t` or `\x41` was written for.
  void checkEscapes(const ModelStatement& statement) {
    if (statement.kind == StatementKind::Comment ||
        statement.kind == StatementKind::Directive ||
        statement.kind == StatementKind::Shebang)
      return;
    for (std::size_t number = 1; number <= statement.wordCount; ++number) {
      const ModelWord& word = wordOf(statement, number);
      if (!word.escaped) continue;
      for (std::size_t i = word.span.begin; i + 1 < word.span.end; ++i) {
        if (source_[i] != '\\') continue;
        char c = source_[++i];
        if (!isLetterOrDigit(c) || c == 'n' || c == 'r' || c == 'a') continue;
        warnEscape(i - 1, word.span.end);
      }
    }
  }

  void warnEscape(std::size_t at, std::size_t end) {
    char c = source_[at + 1];
    // \xHH and \uHHHH (\UHHHHHHHH) name a character by its code.
    std::size_t digits = c == 'x' ? 2 : c == 'u' ? 4 : c == 'U' ? 8 : 0;
    std::size_t length = 2;
    std::optional<std::string> character;
    if (digits > 0 && at + 2 + digits <= end &&
        std::all_of(
            source_.begin() + static_cast<std::ptrdiff_t>(at + 2),
            source_.begin() + static_cast<std::ptrdiff_t>(at + 2 + digits),
            isHexDigit)) {
      length = 2 + digits;
      auto code = static_cast<std::uint32_t>(
          std::stoul(std::string(source_.substr(at + 2, digits)), nullptr, 16));
      character = printableCharacter(code);
    }
    std::string written(source_.substr(at, length));
    std::string gives = written.substr(1);
    std::string message = quoted(written.substr(0, 2)) +
                          " is no escape: it gives " + quoted(gives);
    Span span{at, at + length};
    if (c == 't') {
      message += "; write a real tab (or '\\\\t' for a backslash and 't')";
      warnAt("no-escape", span, message);
      findings_.back().fix = Fix{"Write a real tab", span, "\t"};
      return;
    }
    if (character) {
      message += "; write " + quoted(*character) + " itself";
      warnAt("no-escape", span, message);
      findings_.back().fix =
          Fix{"Write " + quoted(*character), span, *character};
      return;
    }
    message += " (write " + quoted("\\\\" + std::string(1, c)) +
               " for a backslash and " + quoted(std::string(1, c)) + ")";
    warnAt("no-escape", span, message);
  }

  void checkDirective(const ModelStatement& statement) {
    const std::vector<ModelStatement>& statements = model_.statements();
    if (index_ > 0) {
      const ModelStatement& before = statements[index_ - 1];
      if (wordOf(before, 1).text == "if" && before.wordCount == 4)
        warnAt("directive-after-if", wordOf(statement, 1).span,
               "a braceless 'if' skips the next statement, and that is this "
               "//nocheck, not the line after it; write the 'if' as a block "
               "('if ... {' and '}')");
    }
    if (statement.wordCount == 1)
      warnAt("unknown-code", wordOf(statement, 1).span,
             "//nocheck names no warning code, so it silences nothing");
    for (std::size_t i = 2; i <= statement.wordCount; ++i) {
      const ModelWord& code = wordOf(statement, i);
      if (isCheckCode(code.text)) continue;
      std::string message = quoted(code.text) + " is no warning code";
      std::vector<std::string_view> codes;
      for (const CheckCode& known : kCodes) codes.push_back(known.code);
      if (std::optional<std::string_view> close = closestWord(code.text, codes))
        message += " (did you mean " + quoted(*close) + "?)";
      warn("unknown-code", code, message);
    }
  }

  // Drops the findings that a `//nocheck` statement names on its line: those
  // that start on that line, and those of the statement before it when that
  // statement ends there.
  void silence() {
    const std::vector<ModelStatement>& statements = model_.statements();
    std::vector<std::pair<Span, std::string_view>> silenced;
    for (std::size_t s = 0; s < statements.size(); ++s) {
      const ModelStatement& statement = statements[s];
      if (statement.kind != StatementKind::Directive) continue;
      const SourceMap& map = model_.map();
      std::uint32_t line = map.lineOf(statement.span.begin);
      Span reach{map.lineStart(line), map.lineEnd(line)};
      if (s > 0 && map.lineOf(statements[s - 1].span.end) == line)
        reach.begin = std::min(reach.begin, statements[s - 1].span.begin);
      for (std::size_t i = 2; i <= statement.wordCount; ++i)
        silenced.push_back({reach, wordOf(statement, i).text});
    }
    if (silenced.empty()) return;
    std::erase_if(findings_, [&](const Finding& finding) {
      if (finding.error || finding.code == "unknown-code" ||
          finding.code == "directive-after-if")
        return false;
      return std::any_of(silenced.begin(), silenced.end(), [&](const auto& s) {
        return s.second == finding.code &&
               finding.span.begin >= s.first.begin &&
               finding.span.begin < s.first.end;
      });
    });
  }

  // Notes a use of the variable `name`, which should be declared somewhere.
  void use(std::string_view name, Span span) {
    if (!whole_ || declared_.contains(name) || reported_.contains(name)) return;
    reported_.emplace(name);
    std::string message = quoted("$" + std::string(name)) +
                          " is used but declared nowhere in the script";
    // A predefined name is suggested only for a slip of case: any short name
    // is a few edits from HOME or USER.
    std::vector<std::string_view> names;
    for (const auto& [declaredName, declaration] : declared_) {
      if (declaration.line != 0 || editDistance(name, declaredName) == 0)
        names.push_back(declaredName);
    }
    std::sort(names.begin(), names.end());
    if (std::optional<std::string_view> close = closestWord(name, names))
      message += " (did you mean " + quoted("$" + std::string(*close)) + "?)";
    warnAt("undeclared", span, message);
  }
  void use(std::string_view name, const ModelWord& word) {
    use(name, word.span);
  }

  void warn(std::string_view code, const ModelWord& word, std::string message) {
    warnAt(code, word.span, std::move(message));
  }

  void warnAt(std::string_view code, Span span, std::string message) {
    Finding& finding = findings_.emplace_back();
    finding.code = code;
    finding.span = span;
    finding.line = model_.map().lineOf(span.begin) + 1;
    finding.message = std::move(message);
  }

  struct Declaration {
    std::string_view type;
    // The line of the first declaration; 0 for a predefined variable.
    std::uint32_t line;
  };

  const ScriptModel& model_;
  std::string_view source_;
  // The script loads, so checks across lines can be made.
  bool whole_;
  NameMap<Declaration> declared_;
  std::set<std::string, std::less<>> reported_;
  std::vector<std::string_view> commandWords_;
  std::vector<std::string_view> labelNames_;
  // The line of the `if ... {` whose block is open, or 0.
  std::uint32_t openBlock_ = 0;
  // The statement being checked and its command word.
  std::uint32_t index_ = 0;
  std::string_view command_;
  std::vector<Finding> findings_;
};

}  // namespace

std::span<const CheckCode> checkCodes() { return kCodes; }

bool isCheckCode(std::string_view code) {
  return std::any_of(
      std::begin(kCodes), std::end(kCodes),
      [&](const CheckCode& known) { return known.code == code; });
}

std::vector<Finding> checkScript(const ScriptModel& model) {
  return Checker(model).run();
}

std::vector<Finding> checkScript(std::string_view source) {
  ScriptModel model(source);
  return checkScript(model);
}

std::string formatFinding(std::string_view path, const Finding& finding) {
  std::string line(path);
  line += ':';
  line += std::to_string(finding.line);
  line += finding.error ? ": error: " : ": warning: ";
  line += finding.message;
  line += " [";
  line += finding.code;
  line += "]\n";
  return line;
}

}  // namespace corvel
