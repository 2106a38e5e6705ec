// The compile step: every statement of a script becomes one instruction, a
// handler with its operands resolved as far as the script text allows.
#include "interpreter/compiler.h"

#include <algorithm>
#include <limits>

#include "base/fault.h"
#include "base/text.h"
#include "files/large_memory.h"
#include "interpreter/command_table.h"
#include "interpreter/control_flow.h"
#include "interpreter/handlers.h"
#include "values/assignment.h"

namespace corvel {

namespace {

// The value of a literal `word` with escapes whose value is its body as
// written: it starts with `[`, ends with `]` and names no variable. It is
// decoded from the script straight into the value; nothing for other words.
std::optional<StringValue> decodedConstant(std::string_view source,
                                           const RawWord& word) {
  std::string_view raw = plainWord(source, word);
  if (raw.size() < 2 || raw.front() != '[' || raw.back() != ']' ||
      raw.find('$') != std::string_view::npos)
    return std::nullopt;
  std::size_t size = 0;
  decodeEscapes(source, word, [&](char) { ++size; });
  // Neither end can be trimmed: the first byte is the bracket as written and
  // the last is a bracket, written or escaped.
  return StringValue::filled(size - 2, [&](char* out) {
    std::size_t at = 0;
    decodeEscapes(source, word, [&](char c) {
      if (at > 0 && at < size - 1) out[at - 1] = c;
      ++at;
    });
  });
}

}  // namespace

// Compiles one script. It keeps what the statements leave open (where a false
// `if` goes on, where a `goto` lands) until every statement is known.
class Compiler {
 public:
  Compiler(Machine& machine, const CompileOptions& options)
      : vars_(machine.vars), program_(machine.program), options_(options) {}

  std::optional<LoadFault> run(std::string source);

 private:
  // An `if` whose false branch (and, fused, whose true one) is known only at
  // the end.
  struct PendingIf {
    std::uint32_t pc;
    bool block;
    // How to pick the fused handler: by comparison and operands.
    bool textual;
    Comparison comparison;
    IntOperand left;
    IntOperand right;
    bool leftIsVariable;
    bool rightIsVariable;
    bool jumpOnly;  // an operator that never holds
    bool equality;
    ValueOperand leftValue;
    ValueOperand rightValue;
  };
  struct PendingGoto {
    std::uint32_t pc;
    std::string label;
  };
  // A specialised `substr`, which a `set` of its variable just before may
  // join.
  struct PendingSubstr {
    std::uint32_t pc;
    IntOperand from;
    IntOperand to;
  };

  void add(const Statement& statement);
  void recordControl(std::uint32_t pc);
  void noteWrittenNumbers(std::uint32_t pc);
  // Whether a literal read as an integer ahead of the run gives a number that
  // would need a note, which only the generic path gives.
  bool needsNote(const StringValue& literal) const;
  Instruction compileFast(std::uint32_t pc);
  Instruction generic(std::uint32_t pc);
  Instruction compileSet(std::uint32_t pc);
  Instruction compileIf(std::uint32_t pc);
  Instruction compileGoto(std::uint32_t pc);
  Instruction compilePrint();
  Instruction compileSubstr(std::uint32_t pc);
  // Reads `text` as an integer operand into `slot`; false for a literal with
  // references, which the generic path evaluates.
  bool intOperand(std::string_view text, Operand& slot, IntOperand& kind);
  // Analyses word `index` of the statement.
  Word analyse(std::size_t index) {
    if (decodedValues_.empty()) [[likely]]
      return analyseWord(vars_, texts_[index]);
    return analyseDecoded(index);
  }
  Word analyseDecoded(std::size_t index);
  std::optional<Instruction> compileDirect(const Command& command);
  void finish();
  void fuseCounts();
  void fuseCuts();
  void fuseCalls();
  void fusePairs();

  VarRef& nameRef(std::string_view text) {
    return vars_.ref(!text.empty() && text.front() == '$' ? text.substr(1)
                                                          : text);
  }
  const StringValue* keep(StringValue value) {
    return &program_.constants_.emplace_back(std::move(value));
  }
  const Word* keep(Word word) {
    keptWords_ = true;
    return &program_.words_.emplace_back(std::move(word));
  }

  VariableList& vars_;
  Program& program_;
  CompileOptions options_;
  std::vector<std::string_view> texts_;
  std::vector<PendingIf> ifs_;
  std::vector<PendingGoto> gotos_;
  std::vector<PendingSubstr> substrs_;
  // Whether the statement being compiled keeps analysed words.
  bool keptWords_ = false;
  // By word index: the value of a literal with escapes that a `set` stores or
  // a `print` prints, made straight from the script, since decoding its text
  // first and copying the text into the value would hold a long literal three
  // times at once. The word's text is then the undecoded script text, which
  // nothing reads in those places.
  std::vector<std::pair<std::size_t, StringValue>> decodedValues_;
};

std::optional<LoadFault> Compiler::run(std::string source) {
  program_.source_ = std::move(source);
  std::string_view text = program_.source_;
  // Statements end at line breaks and `;`, so their count bounds the number of
  // instructions: reserving it spares the copies of a growing table.
  std::size_t estimate = 2 + countStatementEnds(text);
  program_.code_.reserve(estimate);
  BlockFiller filler;
  BlockFiller::Block code{program_.code_.data(),
                          program_.code_.capacity() * sizeof(Instruction),
                          sizeof(Instruction)};
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
    program_.wideStarts_.reserve(estimate);
    filler.start(code);
  } else {
    program_.starts_.reserve(estimate);
    filler.start(code, {program_.starts_.data(),
                        program_.starts_.capacity() * sizeof(std::uint32_t),
                        sizeof(std::uint32_t)});
  }
  StatementCutter cutter(text);
  Statement statement;
  for (;;) {
    StatementCutter::Step step = cutter.next(statement);
    if (step == StatementCutter::Step::Fault) return cutter.fault();
    if (step == StatementCutter::Step::End) break;
    add(statement);
    if (program_.count_ % 4096 == 0) filler.reached(program_.count_);
  }
  finish();
  return std::nullopt;
}

void Compiler::add(const Statement& statement) {
  if (program_.count_ == std::numeric_limits<std::uint32_t>::max() - 1)
    fail("Script too long: more than 4294967293 statements\n", 1);
  std::uint32_t pc = program_.count_++;
  if (program_.wideStarts_.capacity() > 0) {
    program_.wideStarts_.push_back(statement.start);
  } else {
    program_.starts_.push_back(static_cast<std::uint32_t>(statement.start));
  }
  texts_.clear();
  decodedValues_.clear();
  // How many decoded texts the program held before this statement's, once
  // one of its words has escapes.
  constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
  std::size_t decoded = kNone;
  const std::vector<RawWord>& words = statement.words;
  for (const RawWord& word : words) {
    if (word.escaped && decoded == kNone) decoded = program_.decoded_.size();
    if (word.escaped && !texts_.empty() &&
        ((texts_.front() == "set" && texts_.size() == 2 && words.size() == 3) ||
         texts_.front() == "print")) {
      if (std::optional<StringValue> value =
              decodedConstant(program_.source_, word)) {
        decodedValues_.emplace_back(texts_.size(), std::move(*value));
        texts_.push_back(plainWord(program_.source_, word));
        continue;
      }
    }
    texts_.push_back(program_.wordText(word));
  }
  // Only a `}` or a label line is recorded: most lines are neither.
  if (char first = texts_.front().empty() ? '\0' : texts_.front().front();
      first == '}' || first == '*')
    recordControl(pc);
  if (options_.notes) noteWrittenNumbers(pc);
  Instruction instruction = options_.generic ? generic(pc) : compileFast(pc);
  // The decoded text of words with escapes is needed later only by the
  // generic path's words; an instruction that holds no words lets it go.
  keptWords_ = keptWords_ || instruction.run == runGeneric;
  if (!keptWords_ && decoded != kNone) program_.decoded_.resize(decoded);
  keptWords_ = false;
  program_.code_.push_back(instruction);
}

void Compiler::recordControl(std::uint32_t pc) {
  std::string_view first = texts_.front();
  if (first == "}") {
    program_.braces_.push_back(pc);
    return;
  }
  if (first.empty() || first.front() != '*') return;
  // "*name" carries the label name; a lone "*" carries the empty label and,
  // when a word follows, that word as well.
  auto carry = [&](std::string_view label) {
    auto found = program_.labels_.find(label);
    if (found == program_.labels_.end())
      found = program_.labels_.emplace(std::string(label), std::vector<std::uint32_t>()).first;
    found->second.push_back(pc);
  };
  carry(first.substr(1));
  if (first.size() == 1 && texts_.size() >= 2) carry(texts_[1]);
}

void Compiler::noteWrittenNumbers(std::uint32_t pc) {
  // Only the words of a command that evaluates them: declarations and `cin`
  // take names, and an `if` with no operator evaluates nothing.
  std::string_view first = texts_.front();
  if (texts_.size() < 2 || findCommand(first) == nullptr || first == "int" ||
      first == "string" || first == "array" || first == "file" ||
      first == "cin")
    return;
  if (first == "if" &&
      (texts_.size() < 3 || comparisonOf(texts_[2]) == Comparison::Never))
    return;
  for (std::size_t i = 1; i < texts_.size(); ++i) {
    if (std::optional<std::string> text = writtenNumberNote(texts_[i])) {
      program_.numberNotes_.emplace_back(pc, std::move(*text));
      return;
    }
  }
}

bool Compiler::needsNote(const StringValue& literal) const {
  if (!options_.notes) return false;
  bool saturated = false;
  readInteger(literal.view(), saturated);
  return saturated;
}

Instruction Compiler::generic(std::uint32_t) {
  Line& line = program_.lines_.emplace_back();
  line.words.reserve(texts_.size());
  for (std::size_t i = 0; i < texts_.size(); ++i)
    line.words.push_back(analyse(i));
  classifyLine(line);
  Instruction instruction;
  instruction.run = runGeneric;
  instruction.a.object = &line;
  return instruction;
}

Instruction Compiler::compileFast(std::uint32_t pc) {
  std::string_view first = texts_.front();
  Instruction nothing;
  nothing.run = runNothing;
  if (first == "}") return nothing;
  std::size_t n = texts_.size();
  const Command* command = n >= 2 ? findCommand(first) : nullptr;
  if (command == nullptr) {
    // Label lines and other words that are no command do nothing; the
    // one-word commands and a one-character word that is no command (which
    // ends the run) go the generic way.
    bool oneWordCommand = first == "beep" || first == "exit" ||
                          first == "wait" || first == "terminate";
    if ((n == 1 && oneWordCommand) || utf16Length(first) == 1)
      return generic(pc);
    return nothing;
  }
  if (first == "set" && n == 3) return compileSet(pc);
  if (first == "if" && (n == 4 || n == 5)) return compileIf(pc);
  if (first == "goto" && n == 2) return compileGoto(pc);
  if (first == "print") return compilePrint();
  if (first == "substr" && n == 4) return compileSubstr(pc);
  if (first == "getarray" && n == 4 && texts_[1] != "$" && texts_[2] != "$") {
    Instruction instruction;
    IntOperand index;
    if (intOperand(texts_[3], instruction.c, index)) {
      instruction.run = getarrayHandler(index);
      instruction.a.ref = &nameRef(texts_[1]);
      instruction.b.ref = &nameRef(texts_[2]);
      return instruction;
    }
  }
  if (std::optional<Instruction> direct = compileDirect(*command))
    return *direct;
  return generic(pc);
}

std::optional<Instruction> Compiler::compileDirect(const Command& command) {
  // Each shape lists what word 2, 3 and 4 are: a name (N) or a word (W), and
  // which operand of the instruction receives it.
  struct Shape {
    std::string_view word;
    Handler run;
    const char* words;  // for words 2, 3, 4: 'N' name, 'W' word
    const char* slots;  // for words 2, 3, 4: 'a', 'b' or 'c'
  };
  static constexpr Shape kShapes[] = {
      {"add", directAdd, "NW", "ab"},
      {"arrdel", directArrdel, "NW", "ab"},
      {"arrlen", directArrlen, "NN", "ab"},
      {"cin", directCin, "N", "a"},
      {"fclose", directFclose, "N", "a"},
      {"fdone", directFdone, "NN", "ab"},
      {"fopen", directFopen, "NWW", "abc"},
      {"fread", directFread, "NNW", "abc"},
      {"freadln", directFreadln, "NN", "ab"},
      {"fwrite", directFwrite, "NW", "ab"},
      {"getarray", directGetarray, "NNW", "abc"},
      {"md5", directMd5, "WN", "ba"},
      {"strlen", directStrlen, "NN", "ab"},
      {"strlower", directStrlower, "N", "a"},
      {"strupper", directStrupper, "N", "a"},
  };
  const Shape* shape = nullptr;
  for (const Shape& candidate : kShapes) {
    if (candidate.word == command.word) shape = &candidate;
  }
  if (shape == nullptr) return std::nullopt;
  std::size_t operands = std::string_view(shape->words).size();
  std::size_t n = texts_.size();
  // `cin` ignores words after its target; every other shape has exactly its
  // words.
  if (command.word == "cin" ? n < 2 : n != operands + 1) return std::nullopt;
  for (std::size_t i = 0; i < operands; ++i) {
    if (shape->words[i] == 'N' && texts_[i + 1] == "$") return std::nullopt;
  }
  Instruction instruction;
  instruction.run = shape->run;
  for (std::size_t i = 0; i < operands; ++i) {
    Operand& slot = shape->slots[i] == 'a'   ? instruction.a
                    : shape->slots[i] == 'b' ? instruction.b
                                             : instruction.c;
    if (shape->words[i] == 'N') {
      slot.ref = &nameRef(texts_[i + 1]);
    } else {
      slot.pointer = keep(analyseWord(vars_, texts_[i + 1]));
    }
  }
  return instruction;
}

Instruction Compiler::compileSet(std::uint32_t pc) {
  if (texts_[1] == "$") return generic(pc);
  VarRef& target = nameRef(texts_[1]);
  Word value = analyse(2);
  Instruction instruction;
  instruction.a.ref = &target;
  switch (value.form) {
    case WordForm::Arithmetic:
      if (value.leftOnly) {
        instruction.run = setNumber;
        instruction.b.number = value.left.number;
        return instruction;
      }
      // Wrapping around is noted on the generic path; a fixed divisor never
      // wraps.
      if (options_.notes &&
          !((value.op == '/' || value.op == '%') &&
            value.right.ref == nullptr && isFixedDivisor(value.right.number)))
        return generic(pc);
      instruction.run = arithmeticHandler(value.op, value.left.ref != nullptr,
                                          value.right.ref != nullptr);
      if (value.left.ref != nullptr) {
        instruction.b.ref = value.left.ref;
      } else {
        instruction.b.number = value.left.number;
      }
      if (value.right.ref != nullptr) {
        instruction.c.ref = value.right.ref;
      } else if ((value.op == '/' || value.op == '%') &&
                 isFixedDivisor(value.right.number)) {
        instruction.run =
            divisionHandler(value.op, value.left.ref != nullptr);
        instruction.c.pointer = &program_.divisors_.emplace_back(
            makeDivisor(value.right.number));
      } else {
        instruction.c.number = value.right.number;
      }
      return instruction;
    case WordForm::Variable:
      instruction.run = setVariable;
      instruction.b.ref = value.variable;
      return instruction;
    case WordForm::Literal:
      if (value.constant) {
        if (needsNote(value.value)) return generic(pc);
        instruction.run = setConstantText;
        instruction.c.number = readInteger(value.value.view());
        instruction.b.pointer = keep(value.value);
        return instruction;
      }
      instruction.run = appendsToItself(target, value) ? setAppend : setLiteral;
      instruction.b.pointer = keep(std::move(value));
      return instruction;
    case WordForm::Bare:
      break;
  }
  return generic(pc);
}

Instruction Compiler::compileIf(std::uint32_t pc) {
  std::size_t n = texts_.size();
  // A block `if` whose fifth word is no `{` ends the run when false: rare, and
  // the generic path says so.
  if (n == 5 && texts_[4] != "{") return generic(pc);
  PendingIf pending{};
  pending.pc = pc;
  pending.block = n == 5;
  pending.comparison = comparisonOf(texts_[2]);
  Instruction instruction;
  switch (pending.comparison) {
    case Comparison::Never:
      // Nothing is evaluated: the condition never holds.
      pending.jumpOnly = true;
      instruction.run = runJump;
      break;
    case Comparison::Less:
    case Comparison::Greater:
    case Comparison::AtLeast:
    case Comparison::AtMost: {
      if (!intOperand(texts_[1], instruction.a, pending.left) ||
          !intOperand(texts_[3], instruction.b, pending.right))
        return generic(pc);
      instruction.run = intComparisonHandler(pending.comparison, pending.left,
                                             pending.right, false);
      break;
    }
    case Comparison::Same:
    case Comparison::Differ: {
      pending.textual = true;
      Operand* slots[2] = {&instruction.a, &instruction.b};
      bool* isVariable[2] = {&pending.leftIsVariable,
                             &pending.rightIsVariable};
      for (int side = 0; side < 2; ++side) {
        Word word = analyseWord(vars_, texts_[side == 0 ? 1 : 3]);
        switch (word.form) {
          case WordForm::Variable:
            *isVariable[side] = true;
            slots[side]->ref = word.variable;
            break;
          case WordForm::Literal:
            if (!word.constant) return generic(pc);
            slots[side]->pointer = keep(word.value);
            break;
          case WordForm::Bare:
            slots[side]->pointer = keep(StringValue());
            break;
          case WordForm::Arithmetic:
            return generic(pc);
        }
      }
      instruction.run = textComparisonHandler(
          pending.comparison == Comparison::Same, pending.leftIsVariable,
          pending.rightIsVariable, false);
      break;
    }
    case Comparison::Equal:
    case Comparison::NotEqual: {
      pending.equality = true;
      Operand* slots[2] = {&instruction.a, &instruction.b};
      ValueOperand* kinds[2] = {&pending.leftValue, &pending.rightValue};
      for (int side = 0; side < 2; ++side) {
        Word word = analyseWord(vars_, texts_[side == 0 ? 1 : 3]);
        switch (word.form) {
          case WordForm::Variable:
            *kinds[side] = ValueOperand::Variable;
            slots[side]->ref = word.variable;
            break;
          case WordForm::Arithmetic:
            if (word.leftOnly) {
              *kinds[side] = ValueOperand::Number;
              slots[side]->number = word.left.number;
            } else {
              *kinds[side] = ValueOperand::Arithmetic;
              slots[side]->pointer = keep(std::move(word));
            }
            break;
          case WordForm::Literal:
            if (!word.constant) return generic(pc);
            *kinds[side] = ValueOperand::Text;
            slots[side]->pointer = keep(word.value);
            break;
          case WordForm::Bare:
            *kinds[side] = ValueOperand::Text;
            slots[side]->pointer = keep(StringValue());
            break;
        }
      }
      instruction.run =
          equalityHandler(pending.comparison == Comparison::Equal,
                          pending.leftValue, pending.rightValue, false);
      break;
    }
  }
  ifs_.push_back(pending);
  return instruction;
}

Word Compiler::analyseDecoded(std::size_t index) {
  auto value = std::find_if(
      decodedValues_.begin(), decodedValues_.end(),
      [&](const auto& decoded) { return decoded.first == index; });
  if (value == decodedValues_.end()) return analyseWord(vars_, texts_[index]);
  Word word;
  word.text = texts_[index];
  word.form = WordForm::Literal;
  word.constant = true;
  word.value = value->second;
  return word;
}

bool Compiler::intOperand(std::string_view text, Operand& slot,
                          IntOperand& kind) {
  Word word = analyseWord(vars_, text);
  switch (word.form) {
    case WordForm::Arithmetic:
      if (word.leftOnly) {
        kind = IntOperand::Number;
        slot.number = word.left.number;
      } else {
        kind = IntOperand::Arithmetic;
        slot.pointer = keep(std::move(word));
      }
      return true;
    case WordForm::Variable:
      kind = IntOperand::Variable;
      slot.ref = word.variable;
      return true;
    case WordForm::Literal:
      if (!word.constant || needsNote(word.value)) return false;
      kind = IntOperand::Number;
      slot.number = readInteger(word.value.view());
      return true;
    case WordForm::Bare:
      kind = IntOperand::Number;
      slot.number = 0;
      return true;
  }
  return false;
}

Instruction Compiler::compileSubstr(std::uint32_t pc) {
  if (texts_[1] == "$") return generic(pc);
  Instruction instruction;
  instruction.a.ref = &nameRef(texts_[1]);
  PendingSubstr pending{pc, IntOperand::Number, IntOperand::Number};
  if (!intOperand(texts_[2], instruction.b, pending.from) ||
      !intOperand(texts_[3], instruction.c, pending.to))
    return generic(pc);
  instruction.run = substrHandler(pending.from, pending.to);
  substrs_.push_back(pending);
  return instruction;
}

Instruction Compiler::compileGoto(std::uint32_t pc) {
  Word word = analyseWord(vars_, texts_[1]);
  if (word.form == WordForm::Variable) {
    Instruction instruction;
    instruction.run = jumpToVariable;
    instruction.a.ref = word.variable;
    instruction.b.object = &program_.jumpCaches_.emplace_back();
    return instruction;
  }
  if (!word.hasFixedText()) return generic(pc);
  std::string label(word.form == WordForm::Literal ? word.value.view()
                                                   : std::string_view());
  if (label.size() > 1 && label.front() == '*') label.erase(0, 1);
  gotos_.push_back({pc, std::move(label)});
  Instruction instruction;
  instruction.run = runJump;
  return instruction;
}

Instruction Compiler::compilePrint() {
  Line& line = program_.lines_.emplace_back();
  line.words.reserve(texts_.size());
  bool fixed = true;
  for (std::size_t i = 0; i < texts_.size(); ++i) {
    line.words.push_back(analyse(i));
    if (line.words.size() > 1 && !line.words.back().hasFixedText())
      fixed = false;
  }
  classifyLine(line);
  Instruction instruction;
  if (fixed) {
    instruction.run = printConstant;
    if (line.words.size() == 2) {
      // One literal: its value is printed as it is, not copied.
      instruction.a.pointer = keep(line.words[1].value);
    } else {
      std::string text;
      for (std::size_t i = 1; i < line.words.size(); ++i) {
        if (line.words[i].form == WordForm::Literal)
          text += line.words[i].value.view();
      }
      instruction.a.pointer = keep(StringValue(text));
    }
    program_.lines_.pop_back();
    return instruction;
  }
  keptWords_ = true;
  instruction.run = printWords;
  instruction.a.pointer = &line;
  return instruction;
}

void Compiler::finish() {
  Instruction* code = program_.code_.data();
  std::uint32_t count = program_.count_;
  std::vector<std::uint32_t> landings(gotos_.size());
  for (std::size_t i = 0; i < gotos_.size(); ++i) {
    const PendingGoto& pending = gotos_[i];
    landings[i] = program_.labelTarget(pending.pc, pending.label);
    code[pending.pc].c.index = landings[i];
  }
  for (const PendingIf& pending : ifs_) {
    Instruction& instruction = code[pending.pc];
    instruction.c.index = pending.block ? program_.blockEnd(pending.pc + 1)
                                        : std::min(pending.pc + 2, count);
    if (!options_.fuse || pending.block || pending.jumpOnly) continue;
    // A braceless `if` followed by a fixed `goto` jumps in one step. The `goto`
    // keeps its own instruction for whoever reaches it another way.
    auto next = std::lower_bound(
        gotos_.begin(), gotos_.end(), pending.pc + 1,
        [](const PendingGoto& g, std::uint32_t pc) { return g.pc < pc; });
    if (next == gotos_.end() || next->pc != pending.pc + 1) continue;
    instruction.c.index = landings[static_cast<std::size_t>(next - gotos_.begin())];
    if (pending.equality) {
      instruction.run =
          equalityHandler(pending.comparison == Comparison::Equal,
                          pending.leftValue, pending.rightValue, true);
    } else if (pending.textual) {
      instruction.run = textComparisonHandler(
          pending.comparison == Comparison::Same, pending.leftIsVariable,
          pending.rightIsVariable, true);
    } else {
      instruction.run = intComparisonHandler(pending.comparison, pending.left,
                                             pending.right, true);
    }
  }
  if (options_.fuse) {
    fuseCounts();
    fuseCuts();
    fuseCalls();
    fusePairs();
  }
  Instruction end;
  end.run = runEnd;
  program_.code_.push_back(end);
  // Jumps go to instructions, now that none will move.
  code = program_.code_.data();
  for (const PendingGoto& pending : gotos_)
    code[pending.pc].c.target = code + code[pending.pc].c.index;
  for (const PendingIf& pending : ifs_)
    code[pending.pc].c.target = code + code[pending.pc].c.index;
}

void Compiler::fusePairs() {
  // Last, so that the statement a step goes on into may be an instruction
  // that is itself fused with what follows it. A pair, or a step, goes on
  // into a statement that never goes on itself, so that no chain of such
  // calls grows with the script: the pass steps over it.
  Instruction* code = program_.code_.data();
  std::uint32_t pc = 0;
  while (pc + 1 < program_.count_) {
    if (Handler joined = pairHandler(code[pc], code[pc + 1])) {
      code[pc].run = joined;
      // Reads, a text test and a step whose loop test comes back to the
      // reads: a search through a table, which runs its rounds at once.
      if (pc + 5 < program_.count_ && isTestingHandler(code[pc + 4].run) &&
          code[pc + 5].c.index + 2 == pc) {
        if (Handler rounds = searchHandler(joined, code[pc + 2].run))
          code[pc].run = rounds;
      }
      pc += 3;
    } else if (Handler followed = followedHandler(code[pc].run)) {
      code[pc].run = followed;
      pc += 2;
    } else {
      pc += 1;
    }
  }
}

void Compiler::fuseCalls() {
  // A statement followed by a fixed `goto` runs with it as one instruction:
  // `set $ret [label]` before it is how a subroutine is called, and a loop
  // that tests at its top ends in a step and a jump back.
  Instruction* code = program_.code_.data();
  for (const PendingGoto& jump : gotos_) {
    if (jump.pc == 0) continue;
    Instruction& before = code[jump.pc - 1];
    std::uint32_t test = code[jump.pc].c.index;
    if (before.run == setConstantText) {
      before.run = setConstantAndJump;
    } else if (Handler joined = test < program_.count_
                                    ? testingHandler(before.run, code[test].run)
                                    : nullptr) {
      // The jumps back the sandbox counts between the step, the jump and the
      // test's outcome, less the one the run loop sees from the step to where
      // the test leads.
      std::uint32_t step = jump.pc - 1;
      auto hidden = [&](std::uint32_t landing) {
        return static_cast<std::uint32_t>(
            (test <= jump.pc) + (landing <= test) - (landing <= step));
      };
      code[jump.pc].a.index = hidden(code[test].c.index);
      code[jump.pc].b.index = hidden(test + 2);
      before.run = joined;
    } else if (Handler jumping = jumpingHandler(before.run)) {
      before.run = jumping;
    }
  }
}

void Compiler::fuseCuts() {
  // `set $c $line` followed by `substr $c from to` cuts `$line` at once.
  Instruction* code = program_.code_.data();
  for (const PendingSubstr& substr : substrs_) {
    if (substr.pc == 0) continue;
    Instruction& copy = code[substr.pc - 1];
    if (copy.run != setVariable || copy.a.ref != code[substr.pc].a.ref)
      continue;
    copy.run = cutHandler(substr.from, substr.to);
  }
}

void Compiler::fuseCounts() {
  // `set $t ($t op n)` followed by a fused `if $t cmp r` + `goto` runs as one
  // instruction: the whole of a counting loop's step. Found from the `if`, so
  // that nothing is kept for the many `set` lines that are no such step.
  Instruction* code = program_.code_.data();
  for (const PendingIf& test : ifs_) {
    if (test.pc == 0 || test.block || test.jumpOnly || test.textual ||
        test.equality || test.left != IntOperand::Variable ||
        test.right == IntOperand::Arithmetic)
      continue;
    const Instruction& check = code[test.pc];
    if (check.run != intComparisonHandler(test.comparison, test.left,
                                          test.right, true))
      continue;
    Instruction& step = code[test.pc - 1];
    if (step.a.ref != check.a.ref || step.b.ref != step.a.ref) continue;
    for (char op : {'+', '-', '*', '/', '%'}) {
      if (step.run == arithmeticHandler(op, true, false)) {
        step.run = countingHandler(op, test.comparison, test.right);
        break;
      }
      if ((op == '/' || op == '%') && step.run == divisionHandler(op, true)) {
        step.run = countingDivisionHandler(op, test.comparison, test.right);
        break;
      }
    }
  }
}

std::optional<LoadFault> compile(Machine& machine, std::string source,
                                 const CompileOptions& options) {
  return Compiler(machine, options).run(std::move(source));
}

}  // namespace corvel
