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
    {"add", exactly(3), "Usage: add $array $newItem\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       array_add(array, op.raw(3));
     }},
    {"array", atLeast(2), "", declareAll<declare_array>},
    {"arrdel", exactly(3), "Usage: arrdel $array $indexToDelete\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       std::int32_t index = op.integer(3);
       method_arrdel(array, index);
     }},
    {"arrlen", exactly(3), "Usage: arrlen $array $intToBecomeLength\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       const VarRef& target = op.name(3);
       method_arrlen(array, target);
     }},
    {"cin", atLeast(2), "",
     [](Operands& op) {
       // Words after the target are ignored.
       const VarRef& target = op.name(2);
       method_cin(target);
     }},
    {"fclose", exactly(2), "Usage: fclose $file\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       method_fclose(file);
     }},
    {"fdone", exactly(3), "Usage: fdone $file $resultInt\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       method_fdone(file, target);
     }},
    {"fexists", exactly(3), "Usage: fexists $filePath $intTypeOfFile\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string path = op.text(2);
       method_fexists(path, target);
     }},
    {"file", atLeast(2), "", declareAll<declare_file>},
    {"fopen", exactly(4), "Usage: fopen $file $pathString $typeOfOpen\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       // The mode is evaluated before the path, so a fault in the mode is the
       // one reported.
       std::string mode = op.text(4);
       std::string path = op.text(3);
       method_open(file, path, mode);
     }},
    {"fread", exactly(4), "Usage: fread $file $stringToPutIn $amountToRead\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       std::int32_t count = op.integer(4);
       method_fread(file, target, count);
     }},
    {"freadln", exactly(3), "Usage: freadln $file $stringToPutIn\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       method_freadline(file, target);
     }},
    {"fwrite", exactly(3), "Usage: fwrite $file $buffer\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       std::string scratch;
       std::optional<std::string_view> text = evaluateText(op.raw(3), scratch);
       method_fwrite(file, text.value_or(std::string_view()));
     }},
    {"getarray", exactly(4),
     "Usage: getarray $objectToGetTo $array $intIndex\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(3);
       const VarRef& target = op.name(2);
       // The index word is read as text and then as a decimal integer, which is
       // what reading it as an integer does.
       std::int32_t index = op.integer(4);
       method_getarray(target, array, index);
     }},
    {"geturl", exactly(3), "Usage: geturl $url $stringToPutIn\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string url = op.text(2);
       method_geturl(url, target);
     }},
    {"goto", exactly(2), "Usage: goto $lineNameString\n",
     [](Operands& op) {
       op.checkCount();
       std::string label = op.text(2);
       if (label.size() > 1 && label.front() == '*') label.erase(0, 1);
       op.next = method_goto(op.program(), op.pc(), label);
     }},
    {"if", WordCount{4, 5},
     "Usage: if $firstValue comparisonStatement $secondValue [{]\n",
     [](Operands& op) {
       op.checkCount();
       op.next = method_if(op.program(), op.line(), op.pc());
     }},
    {"int", atLeast(2), "", declareAll<declare_int>},
    {"md5", exactly(3), "Usage: md5 $hashThis $stringToMakeHash\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string text = op.text(2);
       method_md5(text, target);
     }},
    {"mkdir", exactly(2), "Usage: mkdir $dirPath\n",
     [](Operands& op) {
       op.checkCount();
       std::string path = op.text(2);
       method_mkdir(path);
     }},
    {"print", atLeast(2), "",
     [](Operands& op) {
       // Each text is printed before the next word is evaluated.
       std::string scratch;
       for (std::size_t i = 2; i <= op.size(); ++i) {
         std::optional<std::string_view> text = evaluateText(op.raw(i), scratch);
         if (text) consolePrint(*text);
       }
     }},
    {"random", exactly(2), "Usage: random $intToMakeRandom\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(2);
       method_random(target);
     }},
    {"readdir", exactly(3), "Usage: readdir $array $pathString\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       std::string path = op.text(3);
       method_readdir(array, path);
     }},
    {"set", exactly(3), "Usage: set $variable $newValue\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(2);
       v_set(target, op.raw(3));
     }},
    {"string", atLeast(2), "", declareAll<string>},
    {"strlen", exactly(3), "Usage: strlen $str $intToBecomeLength\n",
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       const VarRef& target = op.name(3);
       method_strlen(text, target);
     }},
    {"strlower", exactly(2), "Usage: strlower $string",
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       method_strlower(text);
     }},
    {"strupper", exactly(2), "Usage: strupper $string",
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       method_strupper(text);
     }},
    {"substr", exactly(4), "Usage: substr $str $intFrom $intTo\n",
     [](Operands& op) {
       // The name is taken before the count is checked.
       const VarRef& text = op.name(2);
       op.checkCount();
       method_substr(text, op.raw(3), op.raw(4));
     }},
    {"system", exactly(2), "Usage: system $command",
     [](Operands& op) {
       op.checkCount();
       std::string command = op.text(2);
       method_system(command);
     }},
    {"unlink", exactly(2), "Usage: unlink $filePath\n",
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

LineAction oneWordAction(std::string_view word) {
  if (word == "beep") return LineAction::Beep;
  if (word == "exit") return LineAction::Exit;
  if (word == "wait") return LineAction::Wait;
  if (word == "terminate") return LineAction::Terminate;
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
