// The command table of the language and the generic way of running a line:
// every command word, the words its line must have, its usage line, and the
// order in which it takes its operands.
#include "interpreter/command_table.h"

#include <algorithm>
#include <climits>

#include "base/console.h"
#include "base/fault.h"
#include "base/interrupt.h"
#include "base/text.h"
#include "commands/array_commands.h"
#include "commands/file_commands.h"
#include "commands/string_commands.h"
#include "commands/system_commands.h"
#include "interpreter/control_flow.h"
#include "values/assignment.h"
#include "values/declarations.h"

namespace corvel {

namespace {

constexpr WordCount exactly(std::size_t n) { return {n, n}; }
constexpr WordCount atLeast(std::size_t n) { return {n, SIZE_MAX}; }

constexpr std::uint32_t names(std::size_t first, std::size_t second = 0) {
  return (1u << first) | (second == 0 ? 0u : 1u << second);
}
// A declaration takes every word after the command word as a name.
constexpr std::uint32_t kAllNames = ~std::uint32_t{3};

// Declares every name from word 2 on, each before the next word is looked at.
template <void (*declare)(VariableList&, VarRef&)>
void declareAll(Operands& op) {
  for (std::size_t i = 2; i <= op.size(); ++i) {
    VarRef& name = op.name(i);
    declare(op.vars(), name);
  }
}

// One row per command word, sorted by word. A row is everything the generic
// path knows about a command; operands are taken in the order the command
// checks them, then its function runs.
constexpr Command kCommands[] = {
    {"add",
     exactly(3),
     "Usage: add $array $newItem\n",
     names(2),
     {"",
      "Appends one element to the array. The item's form decides its type: "
      "[...] a string, (...) an int, $name the variable's type; a bare word or "
      "an undeclared $name appends nothing, without a message.",
      "`Not declared: $array`: ends the run\n`Cannot add item to something "
      "that's not an array.`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       array_add(array, op.raw(3));
     }},
    {"array",
     atLeast(2),
     "",
     kAllNames,
     {"array $name...",
      "Declares each named array variable, from left to right, as an empty "
      "list. A name that exists already is left as it is.",
      "`Invalid variable name: $`: ends the run\n"},
     declareAll<declare_array>},
    {"arrdel",
     exactly(3),
     "Usage: arrdel $array $indexToDelete\n",
     names(2),
     {"",
      "Removes the element at the position (an integer, from 0); the elements "
      "after it move up by one. Every variable that shares the list sees the "
      "change.",
      "`Not declared: $array`: ends the run\n`Not an array: $array`: ends the "
      "run\n`Array index out of bounds: N`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       std::int32_t index = op.integer(3);
       method_arrdel(array, index);
     }},
    {"arrlen",
     exactly(3),
     "Usage: arrlen $array $intToBecomeLength\n",
     names(2, 3),
     {"",
      "Stores the number of elements of the array in the int variable (a "
      "nested list counts as one).",
      "`Not declared: $array`: ends the run\n`Not an array: $array`: ends the "
      "run\n`Not an int: $int`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       const VarRef& target = op.name(3);
       method_arrlen(array, target);
     }},
    {"cin",
     atLeast(2),
     "",
     names(2),
     {"cin $string",
      "Reads one line of standard input into the string variable, without its "
      "line feed. At the end of input, and for a line that is not valid UTF-8, "
      "the variable is left unchanged. Words after the variable are ignored.",
      "`Not declared: $name`: ends the run\n`Not a string: $name`: ends the "
      "run\n"},
     [](Operands& op) {
       // Words after the target are ignored.
       const VarRef& target = op.name(2);
       method_cin(target);
     }},
    {"fclose",
     exactly(2),
     "Usage: fclose $file\n",
     names(2),
     {"",
      "Closes the handle and writes out its buffered text. Closing a handle "
      "that is not open is no fault.",
      "`Not declared: $file`: ends the run\n`Not a file: $file`: ends the "
      "run\n`Cannot write to file: PATH`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       method_fclose(file);
     }},
    {"fdone",
     exactly(3),
     "Usage: fdone $file $resultInt\n",
     names(2, 3),
     {"",
      "Stores 1 in the int variable when a read on the handle has met the end "
      "of the file or the handle is closed, else 0.",
      "`Not declared: $file`: ends the run\n`Not a file: $file`: ends the "
      "run\n`Not an int: $int`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       method_fdone(file, target);
     }},
    {"fexists",
     exactly(3),
     "Usage: fexists $filePath $intTypeOfFile\n",
     names(3),
     {"",
      "Stores in the int variable what the path (a text) names: 0 nothing, 1 "
      "something that is not a directory, 2 a directory.",
      "`Not declared: $int`: ends the run\n`Not an int: $int`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string path = op.text(2);
       method_fexists(path, target);
     }},
    {"file",
     atLeast(2),
     "",
     kAllNames,
     {"file $name...",
      "Declares each named file variable, from left to right, as a handle that "
      "is not open. A name that exists already is left as it is.",
      "`Invalid variable name: $`: ends the run\n"},
     declareAll<declare_file>},
    {"fopen",
     exactly(4),
     "Usage: fopen $file $pathString $typeOfOpen\n",
     names(2),
     {"",
      "Opens the handle on the path with the mode (r reads, w creates or "
      "empties and writes, a appends); the mode is evaluated first. A path "
      "that cannot be opened is not reported.",
      "`Not declared: $file`: ends the run\n`Not a file: $file`: ends the "
      "run\n`Unknow open method.  Please consult documentation.`: ends the "
      "run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       // The mode is evaluated before the path, so a fault in the mode is the
       // one reported.
       std::string mode = op.text(4);
       std::string path = op.text(3);
       method_open(file, path, mode);
     }},
    {"fread",
     exactly(4),
     "Usage: fread $file $stringToPutIn $amountToRead\n",
     names(2, 3),
     {"",
      "Reads up to COUNT bytes into the string variable; fewer at the end of "
      "the file, which also turns fdone to 1.",
      "`Not declared: $file`: ends the run\n`Not a file: $file`: ends the "
      "run\n`Not a string: $string`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       std::int32_t count = op.integer(4);
       method_fread(file, target, count);
     }},
    {"freadln",
     exactly(3),
     "Usage: freadln $file $stringToPutIn\n",
     names(2, 3),
     {"",
      "Reads one line into the string variable, without its line feed. The "
      "read that meets the end of the file turns fdone to 1.",
      "`Not declared: $file`: ends the run\n`Not a file: $file`: ends the "
      "run\n`Not a string: $string`: ends the run\n`File not opened for "
      "writing.`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       method_freadline(file, target);
     }},
    {"fwrite",
     exactly(3),
     "Usage: fwrite $file $buffer\n",
     names(2),
     {"",
      "Writes the text to the file as UTF-8, with nothing added: no line feed.",
      "`Not declared: $file`: ends the run\n`Not a file: $file`: ends the "
      "run\n`File not opened for writing.`: ends the run\n`Cannot write to "
      "file that is not open.`: ends the run\n`Cannot write to file: PATH`: "
      "ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       std::string scratch;
       std::optional<std::string_view> text = evaluateText(op.raw(3), scratch);
       method_fwrite(file, text.value_or(std::string_view()));
     }},
    {"getarray",
     exactly(4),
     "Usage: getarray $objectToGetTo $array $intIndex\n",
     names(2, 3),
     {"",
      "Copies the element at the position (a text read as an integer) into the "
      "target, converted to the target's type.",
      "`Not declared: $array`: ends the run\n`Not an array: $array`: ends the "
      "run\n`Array index out of bounds: N`: ends the run\n`Cannot cast file to "
      "other data type.`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(3);
       const VarRef& target = op.name(2);
       // The index word is read as text and then as a decimal integer, which is
       // what reading it as an integer does.
       std::int32_t index = op.integer(4);
       method_getarray(target, array, index);
     }},
    {"geturl",
     exactly(3),
     "Usage: geturl $url $stringToPutIn\n",
     names(3),
     {"",
      "Fetches the URL (a text) with an HTTP GET and stores the body of the "
      "reply in the string variable; the empty text when no reply arrives.",
      "`Not declared: $string`: ends the run\n`Not a string: $string`: ends "
      "the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string url = op.text(2);
       method_geturl(url, target);
     }},
    {"goto",
     exactly(2),
     "Usage: goto $lineNameString\n",
     0,
     {"",
      "Jumps to the line after the label line *NAME (or * NAME) for the text, "
      "with one leading * dropped: the nearest one before, else the first one "
      "after. With no such line the run ends with status 0.",
      "`Not declared: $name`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       std::string label = op.text(2);
       if (label.size() > 1 && label.front() == '*') label.erase(0, 1);
       op.next = method_goto(op.program(), op.pc(), label);
     }},
    {"if",
     WordCount{4, 5},
     "Usage: if $firstValue comparisonStatement $secondValue [{]\n",
     0,
     {"",
      "Compares two values (== != same value, ~= !~= <> same text, < > <= >= "
      "=< => integers). When false, skips the next line, or with a last word { "
      "every line up to the next line that starts with }.",
      "`Expecting '{' as last parameter of if.`: ends the run\n`Not declared: "
      "$name`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       op.next = method_if(op.program(), op.line(), op.pc());
     }},
    {"int",
     atLeast(2),
     "",
     kAllNames,
     {"int $name...",
      "Declares each named int variable, from left to right, holding 0. A name "
      "that exists already is left as it is.",
      "`Invalid variable name: $`: ends the run\n"},
     declareAll<declare_int>},
    {"md5",
     exactly(3),
     "Usage: md5 $hashThis $stringToMakeHash\n",
     names(3),
     {"",
      "Stores the MD5 digest of the text's UTF-8 bytes in the string variable, "
      "as 32 lower-case hexadecimal digits.",
      "`Not declared: $name`: ends the run\n`Not a string: $name`: ends the "
      "run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string text = op.text(2);
       method_md5(text, target);
     }},
    {"mkdir",
     exactly(2),
     "Usage: mkdir $dirPath\n",
     0,
     {"",
      "Creates one directory (a text). Missing parent directories are not "
      "created, and a refused creation is not reported.",
      "`File/directory exists: $PATH`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       std::string path = op.text(2);
       method_mkdir(path);
     }},
    {"print",
     atLeast(2),
     "",
     0,
     {"print TEXT...",
      "Prints each argument as a text, left to right, with nothing between "
      "them and no line feed after them.",
      "`Not declared: $name`: ends the run\n`Division by zero`: ends the "
      "run\n"},
     [](Operands& op) {
       // Each text is printed before the next word is evaluated.
       std::string scratch;
       for (std::size_t i = 2; i <= op.size(); ++i) {
         std::optional<std::string_view> text =
             evaluateText(op.raw(i), scratch);
         if (text) consolePrint(*text);
       }
     }},
    {"random",
     exactly(2),
     "Usage: random $intToMakeRandom\n",
     names(2),
     {"",
      "Stores a random integer, uniformly distributed over the whole 32-bit "
      "range, in the int variable.",
      "`Not declared: $name`: ends the run\n`Not an int: $name`: ends the "
      "run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(2);
       method_random(target);
     }},
    {"readdir",
     exactly(3),
     "Usage: readdir $array $pathString\n",
     names(2),
     {"",
      "Replaces the array's elements by the names of the entries of the "
      "directory, unsorted, . and .. left out; a directory that cannot be read "
      "gives an empty array.",
      "`Not declared: $array`: ends the run\n`Not an array: $array`: ends the "
      "run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       std::string path = op.text(3);
       method_readdir(array, path);
     }},
    {"set",
     exactly(3),
     "Usage: set $variable $newValue\n",
     names(2),
     {"",
      "Stores the value of the second word in the variable, read as the "
      "variable's type asks: an int reads a number, a string a text, an array "
      "shares a list.",
      "`Not declared: $name`: goes on, nothing stored\n`Not a file: $word`: "
      "ends the run\n`Fatal error with variable type`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(2);
       v_set(target, op.raw(3));
     }},
    {"string",
     atLeast(2),
     "",
     kAllNames,
     {"string $name...",
      "Declares each named string variable, from left to right, holding the "
      "empty text. A name that exists already is left as it is.",
      "`Invalid variable name: $`: ends the run\n"},
     declareAll<string>},
    {"strlen",
     exactly(3),
     "Usage: strlen $str $intToBecomeLength\n",
     names(2, 3),
     {"",
      "Stores the length of the first variable's text, in UTF-16 units, in the "
      "int variable.",
      "`Not declared: $str`: ends the run\n`Not declared: $int`: goes on, "
      "nothing stored\n`Not an int: $int`: goes on, nothing stored\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       const VarRef& target = op.name(3);
       method_strlen(text, target);
     }},
    {"strlower",
     exactly(2),
     "Usage: strlower $string",
     names(2),
     {"",
      "Replaces the string variable's text by its lower-case form (full "
      "Unicode mapping, independent of the locale).",
      "`Not declared: $name`: ends the run\n`Not a string: $name`: ends the "
      "run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       method_strlower(text);
     }},
    {"strupper",
     exactly(2),
     "Usage: strupper $string",
     names(2),
     {"",
      "Replaces the string variable's text by its upper-case form (full "
      "Unicode mapping, independent of the locale).",
      "`Not declared: $name`: ends the run\n`Not a string: $name`: ends the "
      "run\n"},
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       method_strupper(text);
     }},
    {"substr",
     exactly(4),
     "Usage: substr $str $intFrom $intTo\n",
     names(2),
     {"",
      "Cuts the string variable down, in place, to the UTF-16 units from FROM "
      "(included) to TO (excluded), with 0 <= FROM <= TO <= length.",
      "`Not declared: $name`: ends the run\n`Not string: $name`: goes on, "
      "nothing changed\n`Fatal error.  Substring out of bounds.`: ends the "
      "run\n"},
     [](Operands& op) {
       // The name is taken before the count is checked.
       const VarRef& text = op.name(2);
       op.checkCount();
       method_substr(text, op.raw(3), op.raw(4));
     }},
    {"system",
     exactly(2),
     "Usage: system $command",
     0,
     {"",
      "Runs the text as a command line of /bin/sh and waits for it to end; its "
      "exit status is ignored.",
      ""},
     [](Operands& op) {
       op.checkCount();
       std::string command = op.text(2);
       method_system(command);
     }},
    {"unlink",
     exactly(2),
     "Usage: unlink $filePath\n",
     0,
     {"",
      "Removes the file, or the directory with everything in it, at the path "
      "(a text). A refused removal is not reported.",
      "`File/directory doesn't exitst: $PATH`: ends the run\n"},
     [](Operands& op) {
       op.checkCount();
       std::string path = op.text(2);
       method_unlink(path);
     }},
};

constexpr bool sortedByWord() {
  for (std::size_t i = 1; i < std::size(kCommands); ++i) {
    if (!(kCommands[i - 1].word < kCommands[i].word)) return false;
  }
  return true;
}
static_assert(sortedByWord(), "kCommands must stay sorted by word");

// A word that is no command does nothing, unless it is a single character.
LineAction noCommand(std::string_view word) {
  return utf16Length(word) == 1 ? LineAction::UnknownFunction
                                : LineAction::Record;
}

constexpr OneWordCommand kOneWordCommands[] = {
    {"beep", LineAction::Beep,
     "Alone on its line: rings the terminal bell by writing the alert "
     "character to the controlling terminal; never to standard output."},
    {"exit", LineAction::Exit,
     "Alone on its line: ends the run with status 0. Text written to files "
     "still open is flushed first."},
    {"terminate", LineAction::Terminate,
     "Alone on its line: ends the run with status 0, like exit."},
    {"wait", LineAction::Wait,
     "Alone on its line: pauses the run for one second."},
};

LineAction oneWordAction(std::string_view word) {
  for (const OneWordCommand& command : kOneWordCommands) {
    if (command.word == word) return command.action;
  }
  return noCommand(word);
}

}  // namespace

const Command* findCommand(std::string_view word) {
  // Scripts repeat their commands: the row found last is tried first.
  static const Command* last = nullptr;
  if (last != nullptr && last->word == word) return last;
  const Command* end = std::end(kCommands);
  const Command* row =
      std::lower_bound(std::begin(kCommands), end, word,
                       [](const Command& command, std::string_view w) {
                         return command.word < w;
                       });
  if (row == end || row->word != word) return nullptr;
  last = row;
  return row;
}

std::span<const Command> commandRows() { return kCommands; }

bool takesName(const Command& command, std::size_t number) {
  if (number >= 32) return command.names == kAllNames;
  return (command.names >> number) & 1u;
}

std::string_view commandSynopsis(const Command& command) {
  if (command.usage.empty()) return command.help.form;
  std::string_view synopsis = command.usage;
  synopsis.remove_prefix(std::string_view("Usage: ").size());
  if (synopsis.ends_with('\n')) synopsis.remove_suffix(1);
  return synopsis;
}

std::span<const OneWordCommand> oneWordCommands() { return kOneWordCommands; }

void classifyLine(Line& line) {
  std::string_view first = line.words.front().text;
  line.command = nullptr;
  if (first == "}") {
    line.action = LineAction::Record;
  } else if (line.words.size() == 1) {
    line.action = oneWordAction(first);
  } else if ((line.command = findCommand(first)) != nullptr) {
    line.action = LineAction::Run;
    if (first == "if" && line.words.size() >= 3)
      line.comparison = comparisonOf(line.words[2].text);
  } else {
    line.action = noCommand(first);
  }
}

void Operands::checkCount() const {
  std::size_t n = line_.words.size();
  if (n < command_.count.min || n > command_.count.max) {
    fail(command_.usage, 1);
  }
}

VarRef& Operands::name(std::size_t index) {
  Word& word = line_.words[index - 1];
  if (word.text == "$") fail("Invalid variable name: $\n", 1);
  // A word without `$` names the variable of its whole text; the reference is
  // kept in the word once found.
  if (word.variable == nullptr) word.variable = &machine_.vars.ref(word.text);
  return *word.variable;
}

std::string Operands::text(std::size_t index) const {
  return turnExpressionToString(line_.words[index - 1]);
}

std::int32_t Operands::integer(std::size_t index) const {
  return turnExpressionToInt(line_.words[index - 1]);
}

std::uint32_t processCommand(Machine& machine, Line& line, std::uint32_t pc) {
  // The generic path is slow anyway: a signal that stops the run is noticed on
  // every one of its lines.
  stopIfRequested();
  machine.current = pc;
  switch (line.action) {
    case LineAction::Record:
      break;
    case LineAction::Run: {
      Operands operands(machine, line, *line.command, pc);
      line.command->run(operands);
      return operands.next;
    }
    case LineAction::UnknownFunction:
      fail("Unknown function " + std::string(line.words.front().text), 1);
    case LineAction::Beep:
      consoleBeep();
      break;
    case LineAction::Exit:
    case LineAction::Terminate:
      endRun(0);
    case LineAction::Wait:
      consoleWait();
      break;
  }
  return pc + 1;
}

}  // namespace corvel
