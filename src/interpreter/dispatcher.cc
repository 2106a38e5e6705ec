// The dispatcher: the command table of the language and the execution of one
// line.
#include "interpreter/dispatcher.h"

#include <algorithm>

#include "commands/array_commands.h"
#include "commands/file_commands.h"
#include "commands/string_commands.h"
#include "commands/system_commands.h"
#include "files/user_account.h"
#include "interpreter/console.h"
#include "values/assignment.h"
#include "values/declarations.h"
#include "values/text.h"

namespace corvel {

namespace {

constexpr WordCount exactly(std::size_t n) { return {n, n}; }
constexpr WordCount atLeast(std::size_t n) { return {n, SIZE_MAX}; }

// Declares every name from word 2 on, each before the next word is looked at.
template <void (*declare)(VariableList&, std::string_view)>
void declareAll(Operands& op) {
  for (std::size_t i = 2; i <= op.size(); ++i) {
    const VarRef& name = op.name(i);
    declare(op.vars(), name.name);
  }
}

// One row per command word, sorted by word. A row is everything the dispatcher
// knows about a command; operands are taken in the order the command checks
// them, then its function runs.
constexpr Command kCommands[] = {
    {"add", exactly(3), "Usage: add $array $newItem\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       array_add(op.vars(), array, op.raw(3));
     }},
    {"array", atLeast(2), "", 0, declareAll<declare_array>},
    {"arrdel", exactly(3), "Usage: arrdel $array $indexToDelete\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       std::int32_t index = op.integer(3);
       method_arrdel(op.vars(), array, index);
     }},
    {"arrlen", exactly(3), "Usage: arrlen $array $intToBecomeLength\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       const VarRef& target = op.name(3);
       method_arrlen(op.vars(), array, target);
     }},
    {"cin", atLeast(2), "", 0,
     [](Operands& op) {
       // Words after the target are ignored.
       const VarRef& target = op.name(2);
       method_cin(op.vars(), target);
     }},
    {"fclose", exactly(2), "Usage: fclose $file\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       method_fclose(op.vars(), file);
     }},
    {"fdone", exactly(3), "Usage: fdone $file $resultInt\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       method_fdone(op.vars(), file, target);
     }},
    {"fexists", exactly(3), "Usage: fexists $filePath $intTypeOfFile\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string path = op.text(2);
       method_fexists(op.vars(), path, target);
     }},
    {"file", atLeast(2), "", 0, declareAll<declare_file>},
    {"fopen", exactly(4), "Usage: fopen $file $pathString $typeOfOpen\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       // The mode is evaluated before the path, so a fault in the mode is the
       // one reported.
       std::string mode = op.text(4);
       std::string path = op.text(3);
       method_open(op.vars(), file, path, mode);
     }},
    {"fread", exactly(4), "Usage: fread $file $stringToPutIn $amountToRead\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       std::int32_t count = op.integer(4);
       method_fread(op.vars(), file, target, count);
     }},
    {"freadln", exactly(3), "Usage: freadln $file $stringToPutIn\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       const VarRef& target = op.name(3);
       method_freadline(op.vars(), file, target);
     }},
    {"fwrite", exactly(3), "Usage: fwrite $file $buffer\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& file = op.name(2);
       std::string scratch;
       std::optional<std::string_view> text =
           evaluateText(op.vars(), op.raw(3), scratch);
       method_fwrite(op.vars(), file, text.value_or(std::string_view()));
     }},
    {"getarray", exactly(4),
     "Usage: getarray $objectToGetTo $array $intIndex\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(3);
       const VarRef& target = op.name(2);
       // The index word is read as text and then as a decimal integer, which is
       // what reading it as an integer does.
       std::int32_t index = op.integer(4);
       method_getarray(op.vars(), target, array, index);
     }},
    {"geturl", exactly(3), "Usage: geturl $url $stringToPutIn\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string url = op.text(2);
       method_geturl(op.vars(), url, target);
     }},
    {"goto", exactly(2), "Usage: goto $lineNameString\n", 1,
     [](Operands& op) {
       op.checkCount();
       const Line& line = op.line();
       if (line.landing) {
         op.tape().moveTo(*line.landing);
         return;
       }
       std::string label = op.text(2);
       if (label.size() > 1 && label.front() == '*') label.erase(0, 1);
       method_goto(op.tape(), label);
       // A label of fixed text always leads from this line to the same place.
       if (op.raw(2).hasFixedText()) line.landing = op.tape().next();
     }},
    {"if", WordCount{4, 5},
     "Usage: if $firstValue comparisonStatement $secondValue [{]\n", 1,
     [](Operands& op) {
       op.checkCount();
       method_if(op.vars(), op.tape(), op.line());
     }},
    {"int", atLeast(2), "", 0, declareAll<declare_int>},
    {"md5", exactly(3), "Usage: md5 $hashThis $stringToMakeHash\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(3);
       std::string text = op.text(2);
       method_md5(op.vars(), text, target);
     }},
    {"mkdir", exactly(2), "Usage: mkdir $dirPath\n", 1,
     [](Operands& op) {
       op.checkCount();
       std::string path = op.text(2);
       method_mkdir(path);
     }},
    {"print", atLeast(2), "", 0,
     [](Operands& op) {
       // Each text is printed before the next word is evaluated.
       std::string scratch;
       for (std::size_t i = 2; i <= op.size(); ++i) {
         std::optional<std::string_view> text =
             evaluateText(op.vars(), op.raw(i), scratch);
         if (text) consolePrint(*text);
       }
     }},
    {"random", exactly(2), "Usage: random $intToMakeRandom\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(2);
       method_random(op.vars(), target);
     }},
    {"readdir", exactly(3), "Usage: readdir $array $pathString\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& array = op.name(2);
       std::string path = op.text(3);
       method_readdir(op.vars(), array, path);
     }},
    {"set", exactly(3), "Usage: set $variable $newValue\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& target = op.name(2);
       v_set(op.vars(), target, op.raw(3));
     }},
    {"string", atLeast(2), "", 0, declareAll<string>},
    {"strlen", exactly(3), "Usage: strlen $str $intToBecomeLength\n", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       const VarRef& target = op.name(3);
       method_strlen(op.vars(), text, target);
     }},
    {"strlower", exactly(2), "Usage: strlower $string", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       method_strlower(op.vars(), text);
     }},
    {"strupper", exactly(2), "Usage: strupper $string", 1,
     [](Operands& op) {
       op.checkCount();
       const VarRef& text = op.name(2);
       method_strupper(op.vars(), text);
     }},
    {"substr", exactly(4), "Usage: substr $str $intFrom $intTo\n", 1,
     [](Operands& op) {
       // The name is taken before the count is checked.
       const VarRef& text = op.name(2);
       op.checkCount();
       method_substr(op.vars(), text, op.raw(3), op.raw(4));
     }},
    {"system", exactly(2), "Usage: system $command", 1,
     [](Operands& op) {
       op.checkCount();
       std::string command = op.text(2);
       method_system(command);
     }},
    {"unlink", exactly(2), "Usage: unlink $filePath\n", 1,
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

const Command* findCommand(std::string_view word) {
  const Command* end = std::end(kCommands);
  const Command* row =
      std::lower_bound(std::begin(kCommands), end, word,
                       [](const Command& command, std::string_view w) {
                         return command.word < w;
                       });
  return row != end && row->word == word ? row : nullptr;
}

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

void Operands::checkCount() const {
  std::size_t n = line_.words.size();
  if (n < command_.count.min || n > command_.count.max) {
    fail(command_.usage, command_.usageStatus);
  }
}

const VarRef& Operands::name(std::size_t index) const {
  const Word& word = line_.words[index - 1];
  if (word.text == "$") fail("Invalid variable name: $\n", 1);
  return word.ref;
}

std::string Operands::text(std::size_t index) const {
  return turnExpressionToString(run_.vars, line_.words[index - 1]);
}

std::int32_t Operands::integer(std::size_t index) const {
  return turnExpressionToInt(run_.vars, line_.words[index - 1]);
}

std::vector<Line> prepareLines(std::vector<TokenLine> tokenLines) {
  std::vector<Line> lines;
  lines.reserve(tokenLines.size());
  for (TokenLine& tokens : tokenLines) {
    Line line;
    line.words.reserve(tokens.size());
    for (std::string& token : tokens)
      line.words.push_back(analyseWord(std::move(token)));
    const std::string& first = line.words.front().text;
    if (first == "}") {
      line.action = LineAction::Record;
    } else if (line.words.size() == 1) {
      line.action = oneWordAction(first);
    } else if ((line.command = findCommand(first)) != nullptr) {
      line.action = LineAction::Run;
      if (first == "if" && line.words.size() >= 3) {
        line.comparison = comparisonOf(line.words[2].text);
      }
    } else {
      line.action = noCommand(first);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void processCommand(Run& run, const Line& line) {
  switch (line.action) {
    case LineAction::Record:
      return;
    case LineAction::Run: {
      Operands operands(run, line, *line.command);
      line.command->run(operands);
      return;
    }
    case LineAction::UnknownFunction:
      fail("Unknown function " + line.words.front().text, 1);
    case LineAction::Beep:
      consoleBeep();
      return;
    case LineAction::Exit:
    case LineAction::Terminate:
      endRun(0);
    case LineAction::Wait:
      consoleWait();
      return;
  }
}

void runScript(const std::string& path) {
  std::vector<TokenLine> tokenLines = loadCodeFromFile(path);
  // The run ends the process from in here, so its state is never torn down.
  Run run{VariableList(), Tape(prepareLines(std::move(tokenLines)))};
  run.vars.initVars(homeDirectory(), userName());
  Tape& tape = run.tape;
  while (!tape.atEnd()) processCommand(run, tape.advance());
  endRun(0);
}

}  // namespace corvel
