// The handlers instructions run: the generic one, which runs a line through the
// command table, and specialised ones for the shapes scripts repeat in loops.
// Each specialised handler checks that the variables are what it expects and
// otherwise hands its statement to the generic path for good.
#include "interpreter/handlers.h"

#include <array>

#include "base/console.h"
#include "base/divisor.h"
#include "base/fault.h"
#include "base/interrupt.h"
#include "base/text.h"
#include "commands/array_commands.h"
#include "commands/file_commands.h"
#include "commands/string_commands.h"
#include "files/hash.h"
#include "interpreter/command_table.h"

namespace corvel {

namespace {

bool isInt(const CorvelVariable* variable) {
  return variable != nullptr && variable->value.index() == 0;
}

bool isString(const CorvelVariable* variable) {
  return variable != nullptr && variable->value.index() == 1;
}

std::int32_t intOf(const CorvelVariable* variable) {
  return *std::get_if<std::int32_t>(&variable->value);
}

// An arithmetic operand: an int variable's value, anything else 0.
std::int32_t operandOf(const VarRef* ref) {
  const CorvelVariable* variable = &ref->slot;
  return isInt(variable) ? intOf(variable) : 0;
}

template <char Op>
std::int32_t apply(Machine& machine, const Instruction& self, std::int32_t left,
                   std::int32_t right) {
  auto l = static_cast<std::uint32_t>(left);
  auto r = static_cast<std::uint32_t>(right);
  if constexpr (Op == '+') {
    return static_cast<std::int32_t>(l + r);
  } else if constexpr (Op == '-') {
    return static_cast<std::int32_t>(l - r);
  } else if constexpr (Op == '*') {
    return static_cast<std::int32_t>(l * r);
  } else if constexpr (Op == '/' || Op == '%') {
    if (right == 0) [[unlikely]] {
      // Division by zero ends the run, naming this line.
      machine.current = machine.program.indexOf(self);
      return applyOperator(Op, left, right);
    }
    // The most negative number divided by -1 wraps to itself.
    if (right == -1) [[unlikely]]
      return Op == '/' ? static_cast<std::int32_t>(0u - l) : 0;
    return Op == '/' ? left / right : left % right;
  } else {
    return 0;
  }
}

template <char Op, bool LeftIsVariable, bool RightIsVariable>
const Instruction* setArithmetic(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (!isInt(target)) [[unlikely]]
    return fallBack(machine, self);
  std::int32_t left = LeftIsVariable ? operandOf(self.b.ref) : self.b.number;
  std::int32_t right = RightIsVariable ? operandOf(self.c.ref) : self.c.number;
  *std::get_if<std::int32_t>(&target->value) =
      apply<Op>(machine, self, left, right);
  return &self + 1;
}

template <char Op, bool LeftIsVariable>
const Instruction* setDivision(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (!isInt(target)) [[unlikely]]
    return fallBack(machine, self);
  std::int32_t left = LeftIsVariable ? operandOf(self.b.ref) : self.b.number;
  *std::get_if<std::int32_t>(&target->value) =
      divideFixed<Op>(left, *static_cast<const Divisor*>(self.c.pointer));
  return &self + 1;
}

template <char Op>
Handler arithmeticFor(bool left, bool right) {
  if (left) {
    return right ? &setArithmetic<Op, true, true>
                 : &setArithmetic<Op, true, false>;
  }
  return right ? &setArithmetic<Op, false, true>
               : &setArithmetic<Op, false, false>;
}

// Reads an integer operand of the instruction `self`, which a fault in the
// arithmetic names; false when a variable is not an int, which only the
// generic path reads.
template <IntOperand Kind>
bool intOperand(Machine& machine, const Instruction& self, Operand operand,
                std::int32_t& out) {
  if constexpr (Kind == IntOperand::Number) {
    out = operand.number;
    return true;
  } else if constexpr (Kind == IntOperand::Variable) {
    const CorvelVariable* variable = &operand.ref->slot;
    if (!isInt(variable)) return false;
    out = intOf(variable);
    return true;
  } else {
    machine.current = machine.program.indexOf(self);
    out = expr(*static_cast<const Word*>(operand.pointer));
    return true;
  }
}

template <Comparison Kind>
bool compare(std::int32_t left, std::int32_t right) {
  if constexpr (Kind == Comparison::Less) return left < right;
  if constexpr (Kind == Comparison::Greater) return left > right;
  if constexpr (Kind == Comparison::AtLeast) return left >= right;
  return left <= right;
}

template <Comparison Kind, IntOperand Left, IntOperand Right, bool Fused>
const Instruction* compareInts(Machine& machine, const Instruction& self) {
  std::int32_t left;
  std::int32_t right;
  // The first word is read before the second, as the generic path does.
  if (!intOperand<Left>(machine, self, self.a, left) ||
      !intOperand<Right>(machine, self, self.b, right)) [[unlikely]]
    return fallBack(machine, self);
  bool holds = compare<Kind>(left, right);
  if constexpr (Fused) {
    if (holds) {
      stopIfRequested();
      return self.c.target;
    }
    return &self + 2;
  } else {
    return holds ? &self + 1 : self.c.target;
  }
}

template <Comparison Kind, IntOperand Left, IntOperand Right>
Handler intComparisonFor(bool fused) {
  return fused ? &compareInts<Kind, Left, Right, true>
               : &compareInts<Kind, Left, Right, false>;
}

template <Comparison Kind, IntOperand Left>
Handler intComparisonFor(IntOperand right, bool fused) {
  switch (right) {
    case IntOperand::Number:
      return intComparisonFor<Kind, Left, IntOperand::Number>(fused);
    case IntOperand::Variable:
      return intComparisonFor<Kind, Left, IntOperand::Variable>(fused);
    case IntOperand::Arithmetic:
      break;
  }
  return intComparisonFor<Kind, Left, IntOperand::Arithmetic>(fused);
}

template <Comparison Kind>
Handler intComparisonFor(IntOperand left, IntOperand right, bool fused) {
  switch (left) {
    case IntOperand::Number:
      return intComparisonFor<Kind, IntOperand::Number>(right, fused);
    case IntOperand::Variable:
      return intComparisonFor<Kind, IntOperand::Variable>(right, fused);
    case IntOperand::Arithmetic:
      break;
  }
  return intComparisonFor<Kind, IntOperand::Arithmetic>(right, fused);
}

// One side of `==` or `!=`: the kind of its value (the index of the type) and
// the value itself, read without copying.
struct Probe {
  std::size_t kind = 0;
  std::int32_t number = 0;
  const StringValue* text = nullptr;
  const Value* value = nullptr;
};

// Reads a side; false when a variable is not declared, which only the generic
// path reports.
template <ValueOperand Kind>
bool probe(Machine& machine, const Instruction& self, Operand operand,
           Probe& out) {
  if constexpr (Kind == ValueOperand::Variable) {
    const CorvelVariable* variable = operand.ref->record;
    if (variable == nullptr) return false;
    out.kind = variable->value.index();
    if (out.kind == 0) {
      out.number = intOf(variable);
    } else if (out.kind == 1) {
      out.text = std::get_if<StringValue>(&variable->value);
    } else {
      out.value = &variable->value;
    }
  } else if constexpr (Kind == ValueOperand::Number) {
    out.number = operand.number;
  } else if constexpr (Kind == ValueOperand::Text) {
    out.kind = 1;
    out.text = static_cast<const StringValue*>(operand.pointer);
  } else {
    machine.current = machine.program.indexOf(self);
    out.number = expr(*static_cast<const Word*>(operand.pointer));
  }
  return true;
}

bool sameValue(const Probe& left, const Probe& right) {
  if (left.kind != right.kind) return false;
  if (left.kind == 0) return left.number == right.number;
  if (left.kind == 1) return left.text->sameText(*right.text);
  return valuesEqual(*left.value, *right.value);
}

template <bool Equal, ValueOperand Left, ValueOperand Right, bool Fused>
const Instruction* compareValues(Machine& machine, const Instruction& self) {
  Probe left;
  Probe right;
  if (!probe<Left>(machine, self, self.a, left) ||
      !probe<Right>(machine, self, self.b, right)) [[unlikely]]
    return fallBack(machine, self);
  bool holds = sameValue(left, right) == Equal;
  if constexpr (Fused) {
    if (holds) {
      stopIfRequested();
      return self.c.target;
    }
    return &self + 2;
  } else {
    return holds ? &self + 1 : self.c.target;
  }
}

template <bool Equal, ValueOperand Left, ValueOperand Right>
Handler equalityFor(bool fused) {
  return fused ? &compareValues<Equal, Left, Right, true>
               : &compareValues<Equal, Left, Right, false>;
}

template <bool Equal, ValueOperand Left>
Handler equalityFor(ValueOperand right, bool fused) {
  switch (right) {
    case ValueOperand::Variable:
      return equalityFor<Equal, Left, ValueOperand::Variable>(fused);
    case ValueOperand::Number:
      return equalityFor<Equal, Left, ValueOperand::Number>(fused);
    case ValueOperand::Text:
      return equalityFor<Equal, Left, ValueOperand::Text>(fused);
    case ValueOperand::Arithmetic:
      break;
  }
  return equalityFor<Equal, Left, ValueOperand::Arithmetic>(fused);
}

template <bool Equal>
Handler equalityFor(ValueOperand left, ValueOperand right, bool fused) {
  switch (left) {
    case ValueOperand::Variable:
      return equalityFor<Equal, ValueOperand::Variable>(right, fused);
    case ValueOperand::Number:
      return equalityFor<Equal, ValueOperand::Number>(right, fused);
    case ValueOperand::Text:
      return equalityFor<Equal, ValueOperand::Text>(right, fused);
    case ValueOperand::Arithmetic:
      break;
  }
  return equalityFor<Equal, ValueOperand::Arithmetic>(right, fused);
}

template <char Op, Comparison Kind, IntOperand Right, bool FixedDivisor>
const Instruction* countAndTest(Machine& machine, const Instruction& self) {
  const Instruction& test = (&self)[1];
  CorvelVariable* target = &self.a.ref->slot;
  // The `if` may have gone the generic way since: then each runs on its own.
  if (!isInt(target) ||
      test.run != &compareInts<Kind, IntOperand::Variable, Right, true>)
      [[unlikely]] {
    if constexpr (FixedDivisor) {
      return setDivision<Op, true>(machine, self);
    } else {
      return setArithmetic<Op, true, false>(machine, self);
    }
  }
  std::int32_t value;
  if constexpr (FixedDivisor) {
    value = divideFixed<Op>(intOf(target),
                            *static_cast<const Divisor*>(self.c.pointer));
  } else {
    value = apply<Op>(machine, self, intOf(target), self.c.number);
  }
  *std::get_if<std::int32_t>(&target->value) = value;
  std::int32_t right;
  if constexpr (Right == IntOperand::Number) {
    right = test.b.number;
  } else {
    const CorvelVariable* variable = &test.b.ref->slot;
    // The `if` reads this operand its own way.
    if (!isInt(variable)) [[unlikely]]
      return &self + 1;
    right = intOf(variable);
  }
  if (compare<Kind>(value, right)) {
    stopIfRequested();
    return test.c.target;
  }
  return &self + 3;
}

template <char Op, Comparison Kind, bool Fixed>
Handler countingFor(IntOperand right) {
  return right == IntOperand::Number
             ? &countAndTest<Op, Kind, IntOperand::Number, Fixed>
             : &countAndTest<Op, Kind, IntOperand::Variable, Fixed>;
}

template <char Op, bool Fixed = false>
Handler countingFor(Comparison comparison, IntOperand right) {
  switch (comparison) {
    case Comparison::Less:
      return countingFor<Op, Comparison::Less, Fixed>(right);
    case Comparison::Greater:
      return countingFor<Op, Comparison::Greater, Fixed>(right);
    case Comparison::AtLeast:
      return countingFor<Op, Comparison::AtLeast, Fixed>(right);
    default:
      return countingFor<Op, Comparison::AtMost, Fixed>(right);
  }
}

constexpr std::string_view kOutOfBounds =
    "Fatal error.  Substring out of bounds.\n";

// Cuts `text` to the units `from`..`to` read from `bounds` (b and c), the
// `substr` instruction that a fault names, after checking them as `substr`
// does; false when a bound is a variable that is not
// an int, which only the generic path reads.
template <IntOperand From, IntOperand To>
bool cut(Machine& machine, const Instruction& bounds, const StringValue& text,
         StringValue& into) {
  std::int32_t length = text.utf16Length();
  std::int32_t start;
  if (!intOperand<From>(machine, bounds, bounds.b, start)) return false;
  if (start < 0 || start > length) {
    machine.current = machine.program.indexOf(bounds);
    fail(kOutOfBounds, 1);
  }
  std::int32_t end;
  if (!intOperand<To>(machine, bounds, bounds.c, end)) return false;
  if (end < 0 || end > length || start > end) {
    machine.current = machine.program.indexOf(bounds);
    fail(kOutOfBounds, 1);
  }
  if (&into == &text) {
    into.keepUtf16Units(start, end);
  } else {
    into.assignUtf16Slice(text, start, end);
  }
  return true;
}

template <IntOperand From, IntOperand To>
const Instruction* substrFast(Machine& machine, const Instruction& self) {
  CorvelVariable* variable = &self.a.ref->slot;
  if (!isString(variable)) [[unlikely]]
    return fallBack(machine, self);
  StringValue& text = *std::get_if<StringValue>(&variable->value);
  if (!cut<From, To>(machine, self, text, text)) [[unlikely]]
    return fallBack(machine, self);
  return &self + 1;
}

template <IntOperand From, IntOperand To>
const Instruction* copyAndCut(Machine& machine, const Instruction& self) {
  const Instruction& substr = (&self)[1];
  CorvelVariable* target = &self.a.ref->slot;
  const CorvelVariable* source = &self.b.ref->slot;
  // The `substr` may have gone the generic way since: then each runs alone.
  if (!isString(target) || !isString(source) ||
      substr.run != &substrFast<From, To>) [[unlikely]]
    return setVariable(machine, self);
  // A fault in a bound ends the run, so skipping the copy it would have
  // followed changes nothing anyone can see.
  StringValue& into = *std::get_if<StringValue>(&target->value);
  if (!cut<From, To>(machine, substr, *std::get_if<StringValue>(&source->value),
                     into)) [[unlikely]] {
    into = *std::get_if<StringValue>(&source->value);
    return &self + 1;
  }
  return &self + 2;
}

template <template <IntOperand, IntOperand> class Pick, IntOperand From>
Handler pickTo(IntOperand to) {
  switch (to) {
    case IntOperand::Number:
      return Pick<From, IntOperand::Number>::handler;
    case IntOperand::Variable:
      return Pick<From, IntOperand::Variable>::handler;
    case IntOperand::Arithmetic:
      break;
  }
  return Pick<From, IntOperand::Arithmetic>::handler;
}

template <template <IntOperand, IntOperand> class Pick>
Handler pickBounds(IntOperand from, IntOperand to) {
  switch (from) {
    case IntOperand::Number:
      return pickTo<Pick, IntOperand::Number>(to);
    case IntOperand::Variable:
      return pickTo<Pick, IntOperand::Variable>(to);
    case IntOperand::Arithmetic:
      break;
  }
  return pickTo<Pick, IntOperand::Arithmetic>(to);
}

template <IntOperand From, IntOperand To>
struct SubstrPick {
  static constexpr Handler handler = &substrFast<From, To>;
};

template <IntOperand From, IntOperand To>
struct CutPick {
  static constexpr Handler handler = &copyAndCut<From, To>;
};

// The pairs of element and target that the fast path of getElement leaves
// alone: a number into a string, and any pair the command itself converts or
// refuses. Out of line, so that the fast path needs no stack frame.
[[gnu::noinline]] const Instruction* getConverted(Machine& machine,
                                                  const Instruction& self,
                                                  std::int32_t index) {
  CorvelVariable& target = self.a.ref->slot;
  const CorvelVariable& element =
      *self.b.ref->slot.asList()->items[static_cast<std::size_t>(index)];
  if (target.type() == Type::String && element.type() == Type::Int) {
    machine.scratch.clear();
    appendDecimal(machine.scratch, *std::get_if<std::int32_t>(&element.value));
    target.asString().assign(machine.scratch);
    return &self + 1;
  }
  machine.current = machine.program.indexOf(self);
  method_getarray(*self.a.ref, *self.b.ref, index);
  return &self + 1;
}

[[gnu::noinline]] const Instruction* getSharedString(
    CorvelVariable& target, const CorvelVariable& element,
    const Instruction& self) {
  target.asString() = element.asString();
  return &self + 1;
}

template <IntOperand Index>
const Instruction* getElement(Machine& machine, const Instruction& self) {
  std::int32_t index;
  // The index is read first, as the command reads it; a fault in any check
  // after it is the generic path's to report.
  if (!intOperand<Index>(machine, self, self.c, index)) [[unlikely]]
    return fallBack(machine, self);
  CorvelVariable* target = &self.a.ref->slot;
  const CorvelVariable* array = &self.b.ref->slot;
  if (array->type() != Type::Array) [[unlikely]]
    return fallBack(machine, self);
  const List& list = *array->asList();
  if (index < 0 || static_cast<std::size_t>(index) >= list.items.size())
      [[unlikely]]
    return fallBack(machine, self);
  const CorvelVariable& element = *list.items[static_cast<std::size_t>(index)];
  // An undeclared target holds a file value, which the command reports.
  Type type = element.type();
  if (type != target->type() || type == Type::File) [[unlikely]]
    return getConverted(machine, self, index);
  if (type == Type::Int) {
    target->asInt() = *std::get_if<std::int32_t>(&element.value);
    return &self + 1;
  }
  if (type == Type::String) {
    const StringValue& text = element.asString();
    StringValue& into = target->asString();
    if (!text.isInline() || !into.isInline())
      return getSharedString(*target, element, self);
    into = text;
    return &self + 1;
  }
  // Held first: the store may free the list the element lies in.
  std::shared_ptr<List> held = element.asList();
  *std::get_if<std::shared_ptr<List>>(&target->value) = std::move(held);
  return &self + 1;
}

template <IntOperand Index>
struct GetarrayPick {
  static constexpr Handler handler = &getElement<Index>;
};

template <bool IsVariable>
const StringValue* textOperand(Operand operand) {
  if constexpr (IsVariable) {
    const CorvelVariable* variable = &operand.ref->slot;
    return isString(variable) ? std::get_if<StringValue>(&variable->value)
                              : nullptr;
  } else {
    return static_cast<const StringValue*>(operand.pointer);
  }
}

template <bool Same, bool Fused>
const Instruction* textOutcome(const Instruction& self, bool same) {
  bool holds = same == Same;
  if constexpr (Fused) {
    if (holds) {
      stopIfRequested();
      return self.c.target;
    }
    return &self + 2;
  } else {
    return holds ? &self + 1 : self.c.target;
  }
}

// Where the comparison of two texts of which one is long goes on: out of
// line, so that comparing short texts needs no stack frame.
template <bool Same, bool Fused>
[[gnu::noinline]] const Instruction* compareLongTexts(
    const Instruction& self, const StringValue& left,
    const StringValue& right) {
  return textOutcome<Same, Fused>(self, left.sameText(right));
}

template <bool Same, bool LeftIsVariable, bool RightIsVariable, bool Fused>
const Instruction* compareTexts(Machine& machine, const Instruction& self) {
  const StringValue* left = textOperand<LeftIsVariable>(self.a);
  const StringValue* right = textOperand<RightIsVariable>(self.b);
  if (left == nullptr || right == nullptr) [[unlikely]]
    return fallBack(machine, self);
  if (!left->isInline() || !right->isInline())
    return compareLongTexts<Same, Fused>(self, *left, *right);
  return textOutcome<Same, Fused>(self, left->sameText(*right));
}

template <bool Same, bool Left, bool Right>
Handler textComparisonFor(bool fused) {
  return fused ? &compareTexts<Same, Left, Right, true>
               : &compareTexts<Same, Left, Right, false>;
}

template <bool Same>
Handler textComparisonFor(bool left, bool right, bool fused) {
  if (left) {
    return right ? textComparisonFor<Same, true, true>(fused)
                 : textComparisonFor<Same, true, false>(fused);
  }
  return right ? textComparisonFor<Same, false, true>(fused)
               : textComparisonFor<Same, false, false>(fused);
}

}  // namespace

const Instruction* runGeneric(Machine& machine, const Instruction& self) {
  std::uint32_t next =
      processCommand(machine, *static_cast<Line*>(self.a.object),
                     machine.program.indexOf(self));
  return machine.program.code() + next;
}

const Instruction* runNothing(Machine&, const Instruction& self) {
  return &self + 1;
}

const Instruction* runEnd(Machine&, const Instruction&) { endRun(0); }

const Instruction* runJump(Machine&, const Instruction& self) {
  // Every loop jumps: a signal that stops the run is noticed here.
  stopIfRequested();
  return self.c.target;
}

namespace {

// Finds the label `text` names, for a jump from `pc` that its cache has not
// seen, and remembers it in the slot its hash names, or the next if that one
// is free.
[[gnu::noinline]] const Instruction* resolveJump(Machine& machine,
                                                 JumpCache& cache,
                                                 const StringValue& text,
                                                 std::size_t slot,
                                                 std::uint32_t pc) {
  std::string_view label = text.view();
  std::size_t other = (slot + 1) % JumpCache::kSize;
  // A long text equal to one remembered but made apart from it.
  for (std::size_t i : {slot, other}) {
    if (cache.targets[i] != nullptr && cache.texts[i].view() == label) {
      cache.texts[i] = text;
      return cache.targets[i];
    }
  }
  if (label.size() > 1 && label.front() == '*') label.remove_prefix(1);
  const Instruction* target =
      machine.program.code() + machine.program.labelTarget(pc, label);
  if (cache.targets[slot] != nullptr && cache.targets[other] == nullptr)
    slot = other;
  cache.texts[slot] = text;
  cache.targets[slot] = target;
  return target;
}

}  // namespace

const Instruction* jumpToVariable(Machine& machine, const Instruction& self) {
  const CorvelVariable* variable = &self.a.ref->slot;
  // Only a string holds a label as it is; the text of any other type, and the
  // fault of an undeclared name, are the generic path's.
  if (!isString(variable)) [[unlikely]]
    return fallBack(machine, self);
  stopIfRequested();
  const StringValue& text = *std::get_if<StringValue>(&variable->value);
  JumpCache& cache = *static_cast<JumpCache*>(self.b.object);
  std::size_t slot = JumpCache::slotOf(text.identityHash());
  if (cache.texts[slot].identical(text) && cache.targets[slot] != nullptr)
    return cache.targets[slot];
  std::size_t other = (slot + 1) % JumpCache::kSize;
  if (cache.texts[other].identical(text) && cache.targets[other] != nullptr)
    return cache.targets[other];
  return resolveJump(machine, cache, text, slot, machine.program.indexOf(self));
}

const Instruction* fallBack(Machine& machine, const Instruction& self) {
  std::uint32_t pc = machine.program.indexOf(self);
  Line& line = machine.program.line(machine.vars, pc);
  Instruction& slot = machine.program.code()[pc];
  slot = Instruction{};
  slot.run = runGeneric;
  slot.a.object = &line;
  return machine.program.code() + processCommand(machine, line, pc);
}

namespace {

// Runs `Step`, then the `goto` after it. A step that went anywhere but to the
// next line (it never does but by ending the run) is followed there.
template <Handler Step>
const Instruction* thenJump(Machine& machine, const Instruction& self) {
  const Instruction* next = Step(machine, self);
  if (next != &self + 1) [[unlikely]]
    return next;
  stopIfRequested();
  return (&self)[1].c.target;
}

// Runs `Step`, then goes straight on into the statement after it, whatever
// its handler: one trip through the run loop for two statements, and a
// dispatch of its own for what follows each kind of step.
template <Handler Step>
const Instruction* thenNext(Machine& machine, const Instruction& self) {
  const Instruction* next = Step(machine, self);
  if (next != &self + 1) [[unlikely]]
    return next;
  return next->run(machine, *next);
}

struct Jumping {
  Handler plain;
  Handler jumping;
  Handler followed;
};

template <Handler Step>
constexpr Jumping jumping() {
  return {Step, &thenJump<Step>, &thenNext<Step>};
}

template <char Op>
constexpr std::array<Jumping, 4> arithmeticJumping() {
  return {jumping<&setArithmetic<Op, true, true>>(),
          jumping<&setArithmetic<Op, true, false>>(),
          jumping<&setArithmetic<Op, false, true>>(),
          jumping<&setArithmetic<Op, false, false>>()};
}

// Runs `Step`, the `goto` after it, and the test it lands on: an `if` of an
// int variable, fused with its own `goto`, as a loop that tests at its top
// begins. What the sandbox would have counted as jumps back between the three
// and the loop does not see is added up in the machine, by the corrections
// the `goto` instruction holds (a for the test holding, b for it failing).
template <Handler Step, Comparison Kind, IntOperand Right>
const Instruction* thenTest(Machine& machine, const Instruction& self) {
  const Instruction* next = Step(machine, self);
  if (next != &self + 1) [[unlikely]]
    return next;
  stopIfRequested();
  const Instruction& jump = (&self)[1];
  const Instruction* test = jump.c.target;
  // The test may have gone the generic way since, or reads an operand that is
  // no int: then it runs on its own.
  if (test->run != &compareInts<Kind, IntOperand::Variable, Right, true>)
      [[unlikely]]
    return test;
  const CorvelVariable* left = &test->a.ref->slot;
  std::int32_t right;
  if (!isInt(left) || !intOperand<Right>(machine, *test, test->b, right))
      [[unlikely]]
    return test;
  if (compare<Kind>(intOf(left), right)) {
    machine.hiddenJumps += jump.a.index;
    stopIfRequested();
    return test->c.target;
  }
  machine.hiddenJumps += jump.b.index;
  return test + 2;
}

struct Testing {
  Handler step;
  Handler test;
  Handler joined;
};

template <Handler Step, Comparison Kind, IntOperand Right>
constexpr Testing testing() {
  return {Step, &compareInts<Kind, IntOperand::Variable, Right, true>,
          &thenTest<Step, Kind, Right>};
}

template <Handler Step>
constexpr std::array<Testing, 8> stepTesting() {
  return {testing<Step, Comparison::Less, IntOperand::Number>(),
          testing<Step, Comparison::Less, IntOperand::Variable>(),
          testing<Step, Comparison::Greater, IntOperand::Number>(),
          testing<Step, Comparison::Greater, IntOperand::Variable>(),
          testing<Step, Comparison::AtLeast, IntOperand::Number>(),
          testing<Step, Comparison::AtLeast, IntOperand::Variable>(),
          testing<Step, Comparison::AtMost, IntOperand::Number>(),
          testing<Step, Comparison::AtMost, IntOperand::Variable>()};
}

// Runs `First`, then the statement after it, whose handler is `Second`, as
// one instruction: two straight-line statements that loops repeat together.
// Then it goes straight on into the statement after them, as thenNext does.
template <Handler First, Handler Second>
[[gnu::flatten]] const Instruction* inPair(Machine& machine,
                                           const Instruction& self) {
  const Instruction* next = First(machine, self);
  // The second may have gone the generic way since: then it runs on its own.
  if (next != &self + 1 || next->run != Second) [[unlikely]]
    return next;
  const Instruction* after = Second(machine, *next);
  if (after != next + 1) [[unlikely]]
    return after;
  return after->run(machine, *after);
}

// An element of a list of lists and then an element of that element, the way
// a table of pairs is searched: `getarray $pair $table $k` followed by
// `getarray $w $pair (0)`. The inner element is read through the outer one
// before the outer list is stored, so its variable is read once; every shape
// but an int or a short string read out of lists as they should be runs as the
// two statements would.
// Reads the inner element and returns the outer one, whose list the caller
// stores into the outer variable; null, having read nothing, when the two
// statements must run as they are.
template <IntOperand Index>
[[gnu::always_inline]] inline const CorvelVariable* nestedPeek(
    Machine& machine, const Instruction& self) {
  const Instruction& second = (&self)[1];
  std::int32_t index;
  if (second.run != &getElement<IntOperand::Number> ||
      !intOperand<Index>(machine, self, self.c, index)) [[unlikely]]
    return nullptr;
  const CorvelVariable* outer = &self.a.ref->slot;
  const CorvelVariable* array = &self.b.ref->slot;
  CorvelVariable* inner = &second.a.ref->slot;
  if (array->type() != Type::Array || outer->type() != Type::Array)
      [[unlikely]]
    return nullptr;
  const List& list = *array->asList();
  if (index < 0 || static_cast<std::size_t>(index) >= list.items.size())
      [[unlikely]]
    return nullptr;
  const CorvelVariable& element = *list.items[static_cast<std::size_t>(index)];
  if (element.type() != Type::Array) [[unlikely]]
    return nullptr;
  const List& pair = *element.asList();
  std::int32_t at = second.c.number;
  if (at < 0 || static_cast<std::size_t>(at) >= pair.items.size())
      [[unlikely]]
    return nullptr;
  const CorvelVariable& item = *pair.items[static_cast<std::size_t>(at)];
  Type type = item.type();
  if (type != inner->type()) [[unlikely]]
    return nullptr;
  if (type == Type::Int) {
    inner->asInt() = *std::get_if<std::int32_t>(&item.value);
  } else if (type == Type::String && item.asString().isInline() &&
             inner->asString().isInline()) {
    inner->asString() = item.asString();
  } else {
    return nullptr;
  }
  return &element;
}

// Stores the list of `element` into the outer variable of `self`, the last
// step of the nested read: the store may free the list the outer variable
// held, and the compiler made sure the inner variable is neither of the other
// two.
inline void storeOuter(const Instruction& self, const CorvelVariable& element) {
  std::shared_ptr<List> held = element.asList();
  *std::get_if<std::shared_ptr<List>>(&self.a.ref->slot.value) =
      std::move(held);
}

// The two reads run as the two statements they are.
template <IntOperand Index>
constexpr Handler kPlainNestedRead =
    &inPair<&getElement<Index>, &getElement<IntOperand::Number>>;

// Returns the statement after the two when both ran here; what the plain pair
// returns (having gone on into that statement) when it ran instead.
template <IntOperand Index>
[[gnu::always_inline]] inline const Instruction* nestedRead(
    Machine& machine, const Instruction& self) {
  const CorvelVariable* element = nestedPeek<Index>(machine, self);
  if (element == nullptr) [[unlikely]]
    return kPlainNestedRead<Index>(machine, self);
  storeOuter(self, *element);
  return &self + 2;
}

template <IntOperand Index>
[[gnu::flatten]] const Instruction* nestedElement(Machine& machine,
                                                  const Instruction& self) {
  const Instruction* after = nestedRead<Index>(machine, self);
  if (after != &self + 2) [[unlikely]]
    return after;
  return after->run(machine, *after);
}

// A search through a table of pairs, each round: the element and its first
// item read as above, a text test that leaves the loop when it holds (`if $w
// ~= $word` + `goto`), and a counting step whose loop test goes back to the
// read. While each leads to the next, they run here one after the other, as
// the run loop would run them, without a trip through it. The jumps back the
// run loop would have seen are counted for the sandbox, and after a bounded
// number of rounds the run loop gets its turn.
template <IntOperand Index, bool Same>
[[gnu::flatten]] const Instruction* searchRounds(Machine& machine,
                                                 const Instruction& self) {
  constexpr Handler kCompare = &compareTexts<Same, true, true, true>;
  constexpr Handler kStep =
      &thenTest<&setArithmetic<'+', true, false>, Comparison::AtLeast,
                IntOperand::Variable>;
  constexpr int kRounds = 256;
  const Instruction* compare = &self + 2;
  const Instruction* step = &self + 4;
  // Only the text test and the counting step run between one round's read
  // and the next, and neither reads the outer variable: it is given the list
  // of the last round's element alone, as the rounds end, however they end
  // (a fault thrown out of an embedded run included). That spares two changes
  // of a shared count a round. Anything else that might read it runs after
  // the store. Where the next round's read, the test or the step names the
  // outer variable (a table read out of the variable its pairs go to), each
  // round stores it at once.
  const VarRef* outer = self.a.ref;
  const bool defer = self.b.ref != outer && compare->a.ref != outer &&
                     compare->b.ref != outer && step->a.ref != outer &&
                     step->b.ref != outer;
  struct Pending {
    const Instruction& read;
    const CorvelVariable* element = nullptr;
    ~Pending() { settle(); }
    void settle() {
      if (element != nullptr) storeOuter(read, *element);
      element = nullptr;
    }
  } pending{self};
  for (int round = 1;; ++round) {
    const CorvelVariable* element = nestedPeek<Index>(machine, self);
    if (element == nullptr) [[unlikely]] {
      pending.settle();
      return kPlainNestedRead<Index>(machine, self);
    }
    pending.element = element;
    if (!defer) pending.settle();
    if (compare->run != kCompare) [[unlikely]] {
      pending.settle();
      return compare->run(machine, *compare);
    }
    const Instruction* next = kCompare(machine, *compare);
    if (next != step) return next;
    // The usual step, `set $k ($k + 1)` with `if $k >= $n`, runs inline.
    if (step->run == kStep) {
      next = kStep(machine, *step);
    } else {
      pending.settle();
      next = step->run(machine, *step);
    }
    if (next != &self || round == kRounds) {
      // The run loop will judge this jump from here, not from the step.
      if (next <= step && next > &self) ++machine.hiddenJumps;
      return next;
    }
    ++machine.hiddenJumps;
  }
}

struct Pairing {
  Handler first;
  Handler second;
  Handler joined;
};

template <Handler First, Handler Second>
constexpr Pairing pairing() {
  return {First, Second, &inPair<First, Second>};
}

}  // namespace

Handler pairHandler(const Instruction& firstInstruction,
                    const Instruction& secondInstruction) {
  Handler first = firstInstruction.run;
  Handler second = secondInstruction.run;
  // The second reads an element of the list the first stores, into a third
  // variable.
  if (second == &getElement<IntOperand::Number> &&
      secondInstruction.b.ref == firstInstruction.a.ref &&
      secondInstruction.a.ref != firstInstruction.a.ref &&
      secondInstruction.a.ref != firstInstruction.b.ref) {
    if (first == &getElement<IntOperand::Variable>)
      return &nestedElement<IntOperand::Variable>;
    if (first == &getElement<IntOperand::Number>)
      return &nestedElement<IntOperand::Number>;
  }
  static constexpr Pairing kPairs[] = {
      // A digit taken off and added up.
      pairing<&setDivision<'%', true>, &setArithmetic<'+', true, true>>(),
      // An element of a list of lists, and an element of that.
      pairing<&getElement<IntOperand::Variable>,
              &getElement<IntOperand::Number>>(),
  };
  for (const Pairing& candidate : kPairs) {
    if (candidate.first == first && candidate.second == second)
      return candidate.joined;
  }
  return nullptr;
}

Handler searchHandler(Handler nested, Handler compare) {
  struct Row {
    Handler nested;
    Handler compare;
    Handler joined;
  };
  static constexpr Row kRows[] = {
      {&nestedElement<IntOperand::Variable>, &compareTexts<true, true, true, true>,
       &searchRounds<IntOperand::Variable, true>},
      {&nestedElement<IntOperand::Variable>,
       &compareTexts<false, true, true, true>,
       &searchRounds<IntOperand::Variable, false>},
  };
  for (const Row& row : kRows) {
    if (row.nested == nested && row.compare == compare) return row.joined;
  }
  return nullptr;
}

namespace {

// Every step that runs with its jump and the loop test it lands on: the
// first candidate for which `matches` holds, or null.
template <typename Matches>
const Testing* findTesting(Matches matches) {
  static constexpr std::array<Testing, 8> kSteps[] = {
      stepTesting<&setArithmetic<'+', true, false>>(),
      stepTesting<&setArithmetic<'-', true, false>>(),
      stepTesting<&setArithmetic<'+', true, true>>(),
      stepTesting<&setNumber>(),
      stepTesting<&setVariable>(),
  };
  for (const auto& row : kSteps) {
    for (const Testing& candidate : row) {
      if (matches(candidate)) return &candidate;
    }
  }
  return nullptr;
}

}  // namespace

bool isTestingHandler(Handler handler) {
  return findTesting([handler](const Testing& candidate) {
           return candidate.joined == handler;
         }) != nullptr;
}

Handler testingHandler(Handler step, Handler test) {
  const Testing* found = findTesting([step, test](const Testing& candidate) {
    return candidate.step == step && candidate.test == test;
  });
  return found == nullptr ? nullptr : found->joined;
}

namespace {

const Jumping* jumpingRow(Handler plain) {
  static constexpr std::array<Jumping, 4> kArithmetic[] = {
      arithmeticJumping<'+'>(), arithmeticJumping<'-'>(),
      arithmeticJumping<'*'>(), arithmeticJumping<'/'>(),
      arithmeticJumping<'%'>(), arithmeticJumping<'?'>()};
  static constexpr Jumping kOthers[] = {
      jumping<&setDivision<'/', true>>(),
      jumping<&setDivision<'/', false>>(),
      jumping<&setDivision<'%', true>>(),
      jumping<&setDivision<'%', false>>(),
      jumping<&setNumber>(),
      jumping<&setVariable>(),
      jumping<&setConstantText>(),
      jumping<&getElement<IntOperand::Number>>(),
      jumping<&getElement<IntOperand::Variable>>(),
      jumping<&getElement<IntOperand::Arithmetic>>(),
      jumping<&directAdd>(),
      jumping<&directArrdel>(),
      jumping<&directStrlen>(),
  };
  for (const auto& row : kArithmetic) {
    for (const Jumping& candidate : row) {
      if (candidate.plain == plain) return &candidate;
    }
  }
  for (const Jumping& candidate : kOthers) {
    if (candidate.plain == plain) return &candidate;
  }
  return nullptr;
}

}  // namespace

Handler jumpingHandler(Handler plain) {
  const Jumping* row = jumpingRow(plain);
  return row == nullptr ? nullptr : row->jumping;
}

Handler followedHandler(Handler plain) {
  const Jumping* row = jumpingRow(plain);
  return row == nullptr ? nullptr : row->followed;
}

Handler arithmeticHandler(char op, bool leftIsVariable, bool rightIsVariable) {
  switch (op) {
    case '+':
      return arithmeticFor<'+'>(leftIsVariable, rightIsVariable);
    case '-':
      return arithmeticFor<'-'>(leftIsVariable, rightIsVariable);
    case '*':
      return arithmeticFor<'*'>(leftIsVariable, rightIsVariable);
    case '/':
      return arithmeticFor<'/'>(leftIsVariable, rightIsVariable);
    case '%':
      return arithmeticFor<'%'>(leftIsVariable, rightIsVariable);
    default:
      return arithmeticFor<'?'>(leftIsVariable, rightIsVariable);
  }
}

const Instruction* setNumber(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (!isInt(target)) [[unlikely]]
    return fallBack(machine, self);
  *std::get_if<std::int32_t>(&target->value) = self.b.number;
  return &self + 1;
}

const Instruction* setVariable(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  const CorvelVariable* source = &self.b.ref->slot;
  if (isInt(target) && isInt(source)) {
    *std::get_if<std::int32_t>(&target->value) = intOf(source);
    return &self + 1;
  }
  if (isString(target) && isString(source)) {
    *std::get_if<StringValue>(&target->value) =
        *std::get_if<StringValue>(&source->value);
    return &self + 1;
  }
  return fallBack(machine, self);
}

const Instruction* setConstantText(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (isString(target)) {
    *std::get_if<StringValue>(&target->value) =
        *static_cast<const StringValue*>(self.b.pointer);
    return &self + 1;
  }
  if (isInt(target)) {
    *std::get_if<std::int32_t>(&target->value) = self.c.number;
    return &self + 1;
  }
  return fallBack(machine, self);
}

const Instruction* setConstantAndJump(Machine& machine,
                                      const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (!isString(target)) [[unlikely]]
    return setConstantText(machine, self);
  *std::get_if<StringValue>(&target->value) =
      *static_cast<const StringValue*>(self.b.pointer);
  stopIfRequested();
  return (&self)[1].c.target;
}

const Instruction* setAppend(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (!isString(target)) [[unlikely]]
    return fallBack(machine, self);
  machine.current = machine.program.indexOf(self);
  // The rest may read the target too, so it is made before the append.
  std::string& rest = machine.scratch;
  rest.clear();
  appendLiteralPieces(*static_cast<const Word*>(self.b.pointer), 1, rest);
  std::get_if<StringValue>(&target->value)->append(rest);
  return &self + 1;
}

const Instruction* setLiteral(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (!isString(target)) [[unlikely]]
    return fallBack(machine, self);
  machine.current = machine.program.indexOf(self);
  std::string& text = machine.scratch;
  text.clear();
  appendLiteralPieces(*static_cast<const Word*>(self.b.pointer), 0, text);
  std::get_if<StringValue>(&target->value)->assign(text);
  return &self + 1;
}

const Instruction* printConstant(Machine&, const Instruction& self) {
  consolePrint(static_cast<const StringValue*>(self.a.pointer)->view());
  return &self + 1;
}

const Instruction* printWords(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  const Line& line = *static_cast<const Line*>(self.a.pointer);
  // Each text is printed before the next word is evaluated.
  for (std::size_t i = 1; i < line.words.size(); ++i) {
    std::optional<std::string_view> text =
        evaluateText(line.words[i], machine.scratch);
    if (text) consolePrint(*text);
  }
  return &self + 1;
}

namespace {

const Word& wordOf(Operand operand) {
  return *static_cast<const Word*>(operand.pointer);
}

// The text of `word`, a view that lasts until the next store or use of the
// machine's scratch.
std::string_view textOf(Machine& machine, const Word& word) {
  return evaluateText(word, machine.scratch).value_or(std::string_view());
}

}  // namespace

// a = array, b = item word.
const Instruction* directAdd(Machine& machine, const Instruction& self) {
  // An int or a string variable added to a list, the usual item, is copied
  // into its new element at once; anything else the command does.
  CorvelVariable& array = self.a.ref->slot;
  const Word& item = wordOf(self.b);
  if (array.type() == Type::Array && item.form == WordForm::Variable) {
    const CorvelVariable& source = item.variable->slot;
    if (source.type() == Type::Int) {
      array.asList()->items.push_back(
          std::make_shared<CorvelVariable>(Value(intOf(&source))));
      return &self + 1;
    }
    // The absent string is added as an empty one.
    if (source.type() == Type::String && !source.asString().isAbsent()) {
      array.asList()->items.push_back(
          std::make_shared<CorvelVariable>(Value(source.asString())));
      return &self + 1;
    }
  }
  machine.current = machine.program.indexOf(self);
  array_add(*self.a.ref, item);
  return &self + 1;
}

// a = array, b = target.
const Instruction* directArrlen(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_arrlen(*self.a.ref, *self.b.ref);
  return &self + 1;
}

// a = array, b = index word.
const Instruction* directArrdel(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  // A number or an int variable is the usual position, read as it is.
  const Word& word = wordOf(self.b);
  std::int32_t index;
  if (word.form == WordForm::Arithmetic && word.leftOnly) {
    index = word.left.number;
  } else if (word.form == WordForm::Variable && isInt(&word.variable->slot)) {
    index = intOf(&word.variable->slot);
  } else {
    index = turnExpressionToInt(word);
  }
  CorvelVariable& array = self.a.ref->slot;
  // A position inside the list is removed at once; the command reports the
  // rest.
  if (array.type() == Type::Array) {
    Elements& items = array.asList()->items;
    if (index >= 0 && static_cast<std::size_t>(index) < items.size()) {
      if (index == 0) {
        items.pop_front();
      } else if (static_cast<std::size_t>(index) + 1 == items.size()) {
        items.pop_back();
      } else {
        items.erase(static_cast<std::size_t>(index));
      }
      return &self + 1;
    }
  }
  method_arrdel(*self.a.ref, index);
  return &self + 1;
}

// a = target, b = array, c = index word.
const Instruction* directGetarray(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  std::int32_t index = turnExpressionToInt(wordOf(self.c));
  method_getarray(*self.a.ref, *self.b.ref, index);
  return &self + 1;
}

// a = the measured variable, b = target.
const Instruction* directStrlen(Machine& machine, const Instruction& self) {
  const CorvelVariable* text = self.a.ref->record;
  CorvelVariable* target = &self.b.ref->slot;
  if (text == nullptr || !isInt(target)) [[unlikely]]
    return fallBack(machine, self);
  *std::get_if<std::int32_t>(&target->value) = textLength(*text);
  return &self + 1;
}

// a = the string variable.
const Instruction* directStrupper(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_strupper(*self.a.ref);
  return &self + 1;
}

const Instruction* directStrlower(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_strlower(*self.a.ref);
  return &self + 1;
}

// a = target, b = the word to hash.
const Instruction* directMd5(Machine& machine, const Instruction& self) {
  CorvelVariable* target = &self.a.ref->slot;
  if (!isString(target)) [[unlikely]]
    return fallBack(machine, self);
  machine.current = machine.program.indexOf(self);
  // The text is hashed where it lies; the digest replaces the target only
  // afterwards, since the text may be the target itself.
  char digest[Hash::kDigits];
  Hash().md5(textOf(machine, wordOf(self.b)), digest);
  std::get_if<StringValue>(&target->value)->assign({digest, Hash::kDigits});
  return &self + 1;
}

// a = file, b = the text word.
const Instruction* directFwrite(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_fwrite(*self.a.ref, textOf(machine, wordOf(self.b)));
  return &self + 1;
}

// a = file, b = target.
const Instruction* directFreadln(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_freadline(*self.a.ref, *self.b.ref);
  return &self + 1;
}

// a = file, b = target, c = the count word.
const Instruction* directFread(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  std::int32_t count = turnExpressionToInt(wordOf(self.c));
  method_fread(*self.a.ref, *self.b.ref, count);
  return &self + 1;
}

// a = file, b = target.
const Instruction* directFdone(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_fdone(*self.a.ref, *self.b.ref);
  return &self + 1;
}

// a = file, b = the path word, c = the mode word.
const Instruction* directFopen(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  // The mode is evaluated before the path.
  std::string mode = turnExpressionToString(wordOf(self.c));
  std::string path = turnExpressionToString(wordOf(self.b));
  method_open(*self.a.ref, path, mode);
  return &self + 1;
}

// a = file.
const Instruction* directFclose(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_fclose(*self.a.ref);
  return &self + 1;
}

// a = target.
const Instruction* directCin(Machine& machine, const Instruction& self) {
  machine.current = machine.program.indexOf(self);
  method_cin(*self.a.ref);
  return &self + 1;
}

Handler intComparisonHandler(Comparison comparison, IntOperand left,
                             IntOperand right, bool fused) {
  switch (comparison) {
    case Comparison::Less:
      return intComparisonFor<Comparison::Less>(left, right, fused);
    case Comparison::Greater:
      return intComparisonFor<Comparison::Greater>(left, right, fused);
    case Comparison::AtLeast:
      return intComparisonFor<Comparison::AtLeast>(left, right, fused);
    default:
      return intComparisonFor<Comparison::AtMost>(left, right, fused);
  }
}

Handler getarrayHandler(IntOperand index) {
  switch (index) {
    case IntOperand::Number:
      return GetarrayPick<IntOperand::Number>::handler;
    case IntOperand::Variable:
      return GetarrayPick<IntOperand::Variable>::handler;
    case IntOperand::Arithmetic:
      break;
  }
  return GetarrayPick<IntOperand::Arithmetic>::handler;
}

Handler substrHandler(IntOperand from, IntOperand to) {
  return pickBounds<SubstrPick>(from, to);
}

Handler cutHandler(IntOperand from, IntOperand to) {
  return pickBounds<CutPick>(from, to);
}

Handler divisionHandler(char op, bool leftIsVariable) {
  if (op == '/') {
    return leftIsVariable ? &setDivision<'/', true> : &setDivision<'/', false>;
  }
  return leftIsVariable ? &setDivision<'%', true> : &setDivision<'%', false>;
}

Handler countingDivisionHandler(char op, Comparison comparison,
                                IntOperand right) {
  return op == '/' ? countingFor<'/', true>(comparison, right)
                   : countingFor<'%', true>(comparison, right);
}

Handler countingHandler(char op, Comparison comparison, IntOperand right) {
  switch (op) {
    case '+':
      return countingFor<'+'>(comparison, right);
    case '-':
      return countingFor<'-'>(comparison, right);
    case '*':
      return countingFor<'*'>(comparison, right);
    case '/':
      return countingFor<'/'>(comparison, right);
    case '%':
      return countingFor<'%'>(comparison, right);
    default:
      return nullptr;
  }
}

Handler equalityHandler(bool equal, ValueOperand left, ValueOperand right,
                        bool fused) {
  return equal ? equalityFor<true>(left, right, fused)
               : equalityFor<false>(left, right, fused);
}

Handler textComparisonHandler(bool same, bool leftIsVariable,
                              bool rightIsVariable, bool fused) {
  return same ? textComparisonFor<true>(leftIsVariable, rightIsVariable, fused)
              : textComparisonFor<false>(leftIsVariable, rightIsVariable,
                                         fused);
}

}  // namespace corvel
