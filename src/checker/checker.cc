// The checker: reads a script the way the interpreter loads it and points at
// what is most likely a mistake, without running any of it.
#include "checker/checker.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <set>

#include "base/text.h"
#include "checker/closest_word.h"
#include "interpreter/command_table.h"
#include "interpreter/control_flow.h"
#include "interpreter/loader.h"
#include "values/evaluation.h"
#include "values/variable_list.h"

namespace corvel {

namespace {

// The commands recognised only alone on their line; the table holds the rest.
constexpr std::string_view kOneWordCommands[] = {"beep", "exit", "terminate",
                                                 "wait"};

constexpr std::string_view kDeclarations[] = {"int", "string", "array", "file"};

constexpr std::uint32_t wordBit(std::size_t number) { return 1u << number; }

// The words a command takes as variable names, as bits of their numbers (the
// command word is 1); its other words are evaluated. Declarations are apart:
// every word of theirs is a name.
struct NameWords {
  std::string_view command;
  std::uint32_t words;
};
constexpr NameWords kNameWords[] = {
    {"add", wordBit(2)},
    {"arrdel", wordBit(2)},
    {"arrlen", wordBit(2) | wordBit(3)},
    {"cin", wordBit(2)},
    {"fclose", wordBit(2)},
    {"fdone", wordBit(2) | wordBit(3)},
    {"fexists", wordBit(3)},
    {"fopen", wordBit(2)},
    {"fread", wordBit(2) | wordBit(3)},
    {"freadln", wordBit(2) | wordBit(3)},
    {"fwrite", wordBit(2)},
    {"getarray", wordBit(2) | wordBit(3)},
    {"geturl", wordBit(3)},
    {"md5", wordBit(3)},
    {"random", wordBit(2)},
    {"readdir", wordBit(2)},
    {"set", wordBit(2)},
    {"strlen", wordBit(2) | wordBit(3)},
    {"strlower", wordBit(2)},
    {"strupper", wordBit(2)},
    {"substr", wordBit(2)},
};

// Whether `command` takes its word `number` as a variable name.
bool takesName(std::string_view command, std::size_t number) {
  for (const NameWords& row : kNameWords) {
    if (row.command == command)
      return number < 32 && (row.words & wordBit(number));
  }
  return false;
}

bool contains(std::span<const std::string_view> words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

bool encloses(std::string_view text, char open, char close) {
  return text.size() >= 2 && text.front() == open && text.back() == close;
}

bool looksLikeComment(std::string_view word) {
  return word.starts_with("#") || word.starts_with("//");
}

// Whether `c` may stand in a name that an author ends with a blank: letters,
// digits, `_`, and every byte of a character beyond ASCII.
bool isNameByte(char c) {
  auto byte = static_cast<unsigned char>(c);
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || byte == '_' || byte >= 0x80;
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

// One statement as the checker looks at it: where it starts and its words.
struct CheckedStatement {
  std::uint32_t line = 0;
  std::vector<std::string_view> words;
  // It holds a group that is never closed, which swallows the rest.
  bool swallowing = false;
};

class Checker {
 public:
  explicit Checker(std::string_view source)
      : source_(source),
        lines_(source),
        scratch_(Predefined{+[] { return std::string(); },
                            +[] { return std::string(); }}) {}

  std::vector<Warning> run() {
    cut();
    collect();
    for (std::size_t i = 0; i < statements_.size(); ++i) checkStatement(i);
    if (openGroup_) {
      line_ = lines_.lineOf(*openGroup_);
      warn(quoted(source_.substr(*openGroup_, 1)) +
           " opened here is never closed: the rest of the script becomes "
           "part of one word and never runs");
    }
    if (fault_) {
      line_ = lines_.lineOf(fault_->offset);
      std::string message = withoutLineFeed(fault_->message);
      message += ": corvel refuses the whole script, so none of it runs";
      if (message.starts_with("Unexpected"))
        message += " (write " + quoted("\\" + message.substr(12, 1)) +
                   " for a plain bracket)";
      warnings_.push_back({line_, message, true});
    }
    std::stable_sort(
        warnings_.begin(), warnings_.end(),
        [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return std::move(warnings_);
  }

 private:
  void cut() {
    StatementCutter cutter(source_);
    Statement statement;
    for (;;) {
      StatementCutter::Step step = cutter.next(statement);
      if (step == StatementCutter::Step::Fault) {
        fault_ = cutter.fault();
        whole_ = false;
        return;
      }
      if (step == StatementCutter::Step::End) break;
      CheckedStatement& checked = statements_.emplace_back();
      checked.line = lines_.lineOf(statement.start);
      for (const RawWord& word : statement.words) {
        if (word.escaped) {
          checked.words.push_back(
              decoded_.emplace_back(decodeWord(source_, word)));
        } else {
          checked.words.push_back(plainWord(source_, word));
        }
      }
    }
    if (!cutter.openGroups().empty()) {
      openGroup_ = cutter.openGroups().front();
      if (!statements_.empty()) statements_.back().swallowing = true;
    }
  }

  // Finds the labels and the declarations, which lines anywhere may use.
  void collect() {
    declared_.emplace("HOME", Declaration{"string", 0});
    declared_.emplace("USER", Declaration{"string", 0});
    for (const CheckedStatement& statement : statements_) {
      std::string_view first = statement.words.front();
      if (first.starts_with("*")) {
        if (first == "*") {
          labels_.emplace();
          if (statement.words.size() >= 2) labels_.emplace(statement.words[1]);
        } else {
          labels_.emplace(first.substr(1));
        }
      } else if (contains(kDeclarations, first)) {
        line_ = statement.line;
        for (std::size_t i = 1; i < statement.words.size(); ++i)
          if (!declare(first, statement.words[i])) break;
      }
    }
  }

  // Notes the declaration of `word` as a `type`; returns false when the word
  // looks like a comment, which ends the names of the line.
  bool declare(std::string_view type, std::string_view word) {
    if (looksLikeComment(word)) return false;
    if (word == "$") return true;
    std::string_view name = word.starts_with("$") ? word.substr(1) : word;
    auto [found, added] =
        declared_.emplace(std::string(name), Declaration{type, line_});
    const Declaration& first = found->second;
    if (added || first.type == type || !whole_) return true;
    std::string message = quoted("$" + std::string(name));
    if (first.line == 0) {
      message += " is predefined as a string";
    } else {
      message += " is declared " + quoted(first.type) + " on line " +
                 std::to_string(first.line);
    }
    warn(message + ", so this " + quoted(type) + " declaration does nothing");
    return true;
  }

  void checkStatement(std::size_t index) {
    const CheckedStatement& statement = statements_[index];
    const std::vector<std::string_view>& words = statement.words;
    line_ = statement.line;
    std::string_view first = words.front();
    command_ = first;
    if (first == "}") {
      openBlock_ = 0;
      if (words.size() > 1) {
        std::string message = "the words after '}' do nothing";
        if (words[1] == "else")
          message +=
              " (there is no 'else': jump over the other branch with goto)";
        warn(message);
      }
      return;
    }
    if (index == 0 && line_ == 1 && first.starts_with("#!")) return;
    if (looksLikeComment(first)) {
      if (first == "#") {
        warn(
            "'#' starts no comment (the language has none): reaching this "
            "line ends the run with \"Unknown function #\"");
      } else {
        warn(
            "the language has no comments: this line does nothing, but "
            "brackets and ';' in it still count");
      }
      return;
    }
    if (first.starts_with("*")) {
      if (first == "*") checkSpacedLabel(index);
      return;
    }
    const Command* command = findCommand(first);
    if (command == nullptr) {
      checkNoCommand(statement);
      return;
    }
    if (words.size() == 1) {
      std::string message = quoted(first) + " alone on its line does nothing";
      if (command->usage.empty()) {
        message += "; it takes " + argumentCount(command->count);
      } else {
        message += " (" + withoutLineFeed(command->usage) + ")";
      }
      warn(message);
      return;
    }
    if (words.size() < command->count.min ||
        words.size() > command->count.max) {
      std::string message =
          quoted(first) + " takes " + argumentCount(command->count) + ", not " +
          std::to_string(words.size() - 1) + "; the run ends with \"" +
          withoutLineFeed(command->usage) + "\"";
      if (std::any_of(words.begin() + 1, words.end(), looksLikeComment))
        message += " (the language has no comments)";
      warn(message);
      return;
    }
    if (statement.swallowing) return;
    checkArguments(first, words);
  }

  void checkNoCommand(const CheckedStatement& statement) {
    const std::vector<std::string_view>& words = statement.words;
    std::string_view first = words.front();
    if (contains(kOneWordCommands, first)) {
      if (words.size() > 1)
        warn(quoted(first) +
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
      warn(message);
      return;
    }
    std::string message =
        quoted(first) + " is no command; the line does nothing";
    if (first.starts_with("}")) {
      warn(message + " (a block's '}' must be a word of its own)");
      return;
    }
    if (commandWords_.empty()) {
      for (const Command& row : commandRows())
        commandWords_.push_back(row.word);
      commandWords_.insert(commandWords_.end(), std::begin(kOneWordCommands),
                           std::end(kOneWordCommands));
    }
    std::optional<std::string_view> close = closestWord(first, commandWords_);
    if (close) message += " (did you mean " + quoted(*close) + "?)";
    warn(message);
    // The words of a misspelt command are checked as the command's, so that
    // mending the word brings no new surprise.
    const Command* meant = close ? findCommand(*close) : nullptr;
    if (meant != nullptr && words.size() >= meant->count.min &&
        words.size() <= meant->count.max && !statement.swallowing) {
      command_ = meant->word;
      checkArguments(meant->word, words);
    }
  }

  // A label line written `* name` works only as a jump target: the run that
  // reaches it in sequence ends at its one-character word.
  void checkSpacedLabel(std::size_t index) {
    auto jumpsAway = [this](std::size_t i) {
      const std::vector<std::string_view>& words = statements_[i].words;
      return (words.front() == "goto" && words.size() == 2) ||
             (words.size() == 1 &&
              (words.front() == "exit" || words.front() == "terminate"));
    };
    auto skipsOne = [this](std::size_t i) {
      const std::vector<std::string_view>& words = statements_[i].words;
      return words.front() == "if" && words.size() == 4;
    };
    if (index > 0 && jumpsAway(index - 1) &&
        !(index > 1 && skipsOne(index - 2)))
      return;
    const std::vector<std::string_view>& words = statements_[index].words;
    std::string message =
        words.size() >= 2
            ? "the label line " + quoted("* " + std::string(words[1]))
            : std::string("'*' alone");
    message +=
        " ends the run with \"Unknown function *\" when the run reaches it "
        "in sequence";
    if (words.size() >= 2)
      message += "; write " + quoted("*" + std::string(words[1]));
    warn(message);
  }

  // Checks the words from word 2 on of a line of `command` of the right
  // count.
  void checkArguments(std::string_view command,
                      const std::vector<std::string_view>& words) {
    if (contains(kDeclarations, command)) {
      for (std::size_t i = 1; i < words.size(); ++i) {
        if (looksLikeComment(words[i])) {
          warnComment(words[i], "are declared as variables");
          return;
        }
        if (words[i] == "$") warnLoneDollarName();
      }
      return;
    }
    if (command == "if") {
      checkIf(words);
      return;
    }
    if (command == "goto") {
      checkGoto(words[1]);
      return;
    }
    // `cin` ignores the words after its target.
    std::size_t end = command == "cin" ? 2 : words.size();
    for (std::size_t i = 1; i < end; ++i) {
      if (takesName(command, i + 1)) {
        checkName(command, words[i]);
      } else if (!checkValue(words[i])) {
        return;
      }
    }
  }

  void checkIf(const std::vector<std::string_view>& words) {
    if (!checkValue(words[1])) return;
    if (comparisonOf(words[2]) == Comparison::Never)
      warn(quoted(words[2]) +
           " is no comparison, so the condition never holds (use one of == "
           "!= ~= !~= <> < > <= >= =< =>)");
    if (!checkValue(words[3])) return;
    if (words.size() < 5) return;
    if (words[4] != "{") {
      warn("the last word of this 'if' is " + quoted(words[4]) +
           ", not '{': when the condition is false the run ends with "
           "\"Expecting '{' as last parameter of if.\"");
    } else if (openBlock_ != 0) {
      warn(
          "an 'if ... {' inside the block opened on line " +
          std::to_string(openBlock_) +
          ": blocks do not nest, so when that condition is false its skip ends "
          "at this block's '}'");
    } else {
      openBlock_ = line_;
    }
  }

  void checkGoto(std::string_view target) {
    Word word = analyseWord(scratch_, target);
    std::string label;
    if (word.form == WordForm::Literal && word.constant) {
      label = std::string(word.value.view());
    } else if (word.form != WordForm::Bare) {
      checkValue(target);
      return;
    }
    if (!whole_) return;
    if (label.size() > 1 && label.front() == '*') label.erase(0, 1);
    if (labels_.contains(label)) return;
    if (word.form == WordForm::Bare) {
      warn("a bare word gives no text, so " +
           quoted("goto " + std::string(target)) +
           " looks for the empty label, which no line carries; write " +
           quoted("goto [" + std::string(target) + "]"));
      return;
    }
    std::string message = "no line carries the label " + quoted(label) +
                          ", so this goto ends the run";
    std::vector<std::string_view> labels(labels_.begin(), labels_.end());
    if (std::optional<std::string_view> close = closestWord(label, labels))
      message += " (did you mean " + quoted(*close) + "?)";
    warn(message);
  }

  void checkName(std::string_view command, std::string_view word) {
    if (word == "$") {
      warnLoneDollarName();
    } else if (word.starts_with("[") || word.starts_with("(")) {
      warn(quoted(command) + " takes a variable here, not " + quoted(word));
    } else {
      use(word.starts_with("$") ? word.substr(1) : word);
    }
  }

  // Checks an evaluated word; returns false when the rest of the line is
  // better left alone.
  bool checkValue(std::string_view word) {
    if (word.starts_with("$")) {
      if (word.size() == 1) {
        warn(
            "a lone '$' names no variable: the run ends with \"Not "
            "declared: $\"");
      } else {
        use(word.substr(1));
      }
    } else if (encloses(word, '[', ']')) {
      checkLiteral(word);
    } else if (encloses(word, '(', ')')) {
      checkArithmetic(word);
    } else if (looksLikeComment(word)) {
      warnComment(word, "are more arguments of this line");
      return false;
    } else {
      warnBareWord(word);
    }
    return true;
  }

  void checkLiteral(std::string_view text) {
    // Most literals hold no reference, and a long one need not be copied.
    if (text.find('$') == std::string_view::npos) return;
    Word word = analyseWord(scratch_, text);
    for (const LiteralPiece& piece : word.pieces) {
      if (piece.reference == nullptr) continue;
      std::string_view name = piece.reference->name;
      if (name.empty()) {
        warn(
            "a '$' followed by a blank names no variable: the run ends with "
            "\"Not declared: $\" (write '\\$' for a dollar sign)");
        continue;
      }
      if (declared_.contains(name)) continue;
      std::size_t end = 0;
      while (end < name.size() && isNameByte(name[end])) ++end;
      if (end == name.size()) {
        if (name.front() >= '0' && name.front() <= '9') {
          warn(quoted("$" + std::string(name)) +
               " names no variable: the run ends with \"Not declared: $" +
               std::string(name) + "\" (write '\\$' for a dollar sign)");
        } else {
          use(name);
        }
        continue;
      }
      std::string reference = "$" + std::string(name);
      std::string message = quoted(reference) +
                            " is one reference, to a variable named " +
                            quoted(name);
      if (end > 0) {
        std::string ended = "$" + std::string(name.substr(0, end)) + "#" +
                            std::string(name.substr(end));
        message += "; end it with '#' as in " + quoted(ended);
      }
      warn(message);
      if (end > 0) use(name.substr(0, end));
    }
  }

  void checkArithmetic(std::string_view word) {
    std::string_view inside = word.substr(1, word.size() - 2);
    std::string shown = quoted(word);
    if (inside.find_first_of("()") != std::string_view::npos) {
      warn(shown +
           " nests parentheses, but arithmetic does not nest (an inner '(' "
           "is skipped and the first ')' ends the word); compute one "
           "operation per line with 'set'");
      return;
    }
    if (inside.empty()) {
      warn(shown + " is empty and gives 0; write (0)");
      return;
    }
    std::vector<std::string_view> parts = arithmeticParts(inside);
    std::string tidy = "(";
    for (std::size_t i = 0; i < parts.size(); ++i)
      tidy += std::string(i == 0 ? "" : " ") + std::string(parts[i]);
    tidy += ")";
    if (inside.front() == ' ' || inside.back() == ' ') {
      warn(shown +
           " has a blank after '(' or before ')', which shifts its parts; "
           "write " +
           quoted(tidy));
      return;
    }
    if (parts.size() == 1) {
      checkOneOperand(word, parts[0]);
    } else if (parts.size() == 2) {
      warn(shown +
           " is not 'operand operator operand' and gives its first part "
           "alone");
    } else if (parts.size() > 3) {
      warn(shown + " holds more than one operation and only " +
           quoted(std::string(parts[0]) + " " + std::string(parts[1]) + " " +
                  std::string(parts[2])) +
           " counts; compute one operation per line with 'set'");
    } else if (parts[1].size() != 1 ||
               std::string_view("*+-/%").find(parts[1][0]) ==
                   std::string_view::npos) {
      warn(quoted(parts[1]) +
           " is no arithmetic operator (use one of * + - / %) in " + shown);
    } else {
      checkOperand(parts[0]);
      checkOperand(parts[2]);
    }
  }

  // An arithmetic word of one part is read as digits, a variable's name too.
  void checkOneOperand(std::string_view word, std::string_view part) {
    std::size_t op = part.find_first_of("*+-/%", 1);
    if (op != std::string_view::npos && op + 1 < part.size()) {
      std::string gives =
          part.front() == '$' ? "0" : std::to_string(readInteger(part));
      warn(quoted(word) + " is one operand, not an operation, and gives " +
           gives + "; write " +
           quoted("(" + std::string(part.substr(0, op)) + " " + part[op] + " " +
                  std::string(part.substr(op + 1)) + ")"));
    } else if (part.front() == '$') {
      warn(quoted(word) + " gives 0, not the value of " + quoted(part) +
           "; write " + quoted("(" + std::string(part) + " + 0)"));
    }
  }

  void checkOperand(std::string_view operand) {
    if (!operand.starts_with("$")) return;
    std::string_view name = operand.substr(1);
    auto found = declared_.find(name);
    if (found == declared_.end()) {
      use(name);
    } else if (found->second.type != "int") {
      warn(quoted(operand) + " is " +
           (found->second.type == "array" ? "an " : "a ") +
           std::string(found->second.type) +
           ", and arithmetic counts every variable but an int as 0");
    }
  }

  void warnBareWord(std::string_view word) {
    std::string message = quoted(word) + " is a bare word";
    if (command_ == "add") {
      message += ", so 'add' appends nothing";
      if (word.find_first_of("[]()") == std::string_view::npos)
        message += "; write " +
                   quoted((isInteger(word) ? "(" : "[") + std::string(word) +
                          (isInteger(word) ? ")" : "]"));
    } else if (isInteger(word)) {
      message += ", not a number: it gives the empty text and 0; write " +
                 quoted("(" + std::string(word) + ")");
    } else if (word.starts_with("[")) {
      message += " (it does not end with ']'): it gives the empty text";
    } else if (word.starts_with("(")) {
      message += " (it does not end with ')'): it gives 0";
    } else if (word.find_first_of("[]()") != std::string_view::npos) {
      message += ": it gives the empty text and 0";
    } else {
      message += ": it gives the empty text and 0; write " +
                 quoted("[" + std::string(word) + "]") + " for a text";
    }
    warn(message);
  }

  void warnComment(std::string_view word, std::string_view what) {
    warn("the language has no comments: " + quoted(word) +
         " and the words after it " + std::string(what));
  }

  void warnLoneDollarName() {
    warn(
        "a lone '$' is no variable name: the run ends with \"Invalid "
        "variable name: $\"");
  }

  // Notes a use of the variable `name`, which should be declared somewhere.
  void use(std::string_view name) {
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
    warn(message);
  }

  void warn(std::string message) {
    warnings_.push_back({line_, std::move(message), false});
  }

  struct Declaration {
    std::string_view type;
    // The line of the first declaration; 0 for a predefined variable.
    std::uint32_t line;
  };

  std::string_view source_;
  LineIndex lines_;
  // Only analyseWord needs it: the checker declares nothing in it.
  VariableList scratch_;
  std::vector<CheckedStatement> statements_;
  std::deque<std::string> decoded_;  // the texts of words with escapes
  std::optional<LoadFault> fault_;
  std::optional<std::size_t> openGroup_;
  // The script loads, so checks across lines can be made.
  bool whole_ = true;
  std::set<std::string, std::less<>> labels_;
  NameMap<Declaration> declared_;
  std::set<std::string, std::less<>> reported_;
  std::vector<std::string_view> commandWords_;
  // The line of the `if ... {` whose block is open, or 0.
  std::uint32_t openBlock_ = 0;
  // The line and the command word of the statement being checked.
  std::uint32_t line_ = 0;
  std::string_view command_;
  std::vector<Warning> warnings_;
};

}  // namespace

std::vector<Warning> checkScript(std::string_view source) {
  return Checker(source).run();
}

std::string formatWarning(std::string_view path, const Warning& warning) {
  std::string line(path);
  line += ':';
  line += std::to_string(warning.line);
  line += warning.error ? ": error: " : ": warning: ";
  line += warning.message;
  line += '\n';
  return line;
}

}  // namespace corvel
