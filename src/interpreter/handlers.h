// The handlers instructions run: the generic one, which runs a line through the
// command table, and specialised ones for the shapes scripts repeat in loops.
// Each specialised handler checks that the variables are what it expects and
// otherwise hands its statement to the generic path for good.
#pragma once

#include <cstdint>

#include "interpreter/program.h"

namespace corvel {

// Operands: a = Line*. Runs the line the generic way.
const Instruction* runGeneric(Machine& machine, const Instruction& self);
// A line that does nothing: a label, a `}`, a word that is no command.
const Instruction* runNothing(Machine& machine, const Instruction& self);
// Past the last line: the run ends with status 0.
const Instruction* runEnd(Machine& machine, const Instruction& self);
// c = the instruction to go on at: a `goto` with a fixed label, an `if` that
// can never hold.
const Instruction* runJump(Machine& machine, const Instruction& self);

// `goto $v`: a = the variable holding the label, b = its JumpCache*. Lands
// where the generic path would, the label found through the cache.
const Instruction* jumpToVariable(Machine& machine, const Instruction& self);

// Replaces instruction `self` by the generic one for its statement and runs
// it.
// Kept out of line and cold, so that the specialised handlers that may call it
// need no stack frame on their fast path.
[[gnu::noinline, gnu::cold]] const Instruction* fallBack(
    Machine& machine, const Instruction& self);

// `set $t (l op r)` into an int: a = target, b and c = operands (a variable
// when the flag says so, else a number).
Handler arithmeticHandler(char op, bool leftIsVariable, bool rightIsVariable);
// `set $t (l / d)` or `(l % d)` with a fixed divisor d other than 0, 1 and
// -1: a = target, b = the left operand, c = the Divisor*.
Handler divisionHandler(char op, bool leftIsVariable);
// `set $t (n)` into an int: a = target, b = the number.
const Instruction* setNumber(Machine& machine, const Instruction& self);
// `set $t $v` between two ints or two strings: a = target, b = source.
const Instruction* setVariable(Machine& machine, const Instruction& self);
// `set $t [text]` into a string (or an int): a = target, b = StringValue*, c =
// the text read as an integer.
const Instruction* setConstantText(Machine& machine, const Instruction& self);
// `set $t [text]` followed by a `goto` with a fixed label, the call of a
// subroutine: the instruction is the `set`'s; where to go is read from the
// `goto` instruction right after it, which stays in place.
const Instruction* setConstantAndJump(Machine& machine,
                                      const Instruction& self);
// The handler that runs `plain`'s statement and then the fixed `goto` right
// after it in one step (where to go is read from the `goto` instruction, which
// stays in place), or null for a handler that has no such variant.
Handler jumpingHandler(Handler plain);
// The handler that runs `plain`'s statement and then goes straight on into the
// statement after it, whatever that is, or null. The statement after it must
// not be one that goes on into the next in turn, so that no chain of such
// calls grows with the length of a script.
Handler followedHandler(Handler plain);
// The handler that runs `step`'s statement, the fixed `goto` after it and the
// `if` it lands on, whose handler is `test` (an int variable compared, fused
// with a `goto`), in one step; or null where there is none. The `goto`
// instruction then holds, in a and b, the jumps back the sandbox would have
// counted that the run loop does not see, for the test holding and failing.
Handler testingHandler(Handler step, Handler test);
// The handler that runs two straight-line statements in a row, whose handlers
// are `first` and `second`, as one instruction, and goes on into the statement
// after them, as the handler of followedHandler does; or null where there is
// none. The instruction is the first's; the second keeps its own, which the
// pair reads, for whoever reaches it another way.
Handler pairHandler(const Instruction& first, const Instruction& second);
// The handler that runs the rounds of a search through a table of pairs from
// the instruction whose handler is `nested` (a pair of element reads that
// pairHandler chose), the text test after it (handler `compare`, fused with
// its `goto`) and a step fused with its loop test that leads back to the
// reads; or null where there is none.
Handler searchHandler(Handler nested, Handler compare);
// Whether `handler` is one that testingHandler gives.
bool isTestingHandler(Handler handler);
// `set $t [$t#...]` into a string: a = target, b = Word* of the literal.
const Instruction* setAppend(Machine& machine, const Instruction& self);
// `set $t [... $v ...]` into a string: a = target, b = Word* of the literal.
const Instruction* setLiteral(Machine& machine, const Instruction& self);

// `print` of fixed text: a = StringValue* of all the words' text.
const Instruction* printConstant(Machine& machine, const Instruction& self);
// `print` of words that need evaluating: a = Line*.
const Instruction* printWords(Machine& machine, const Instruction& self);

// Commands whose words were checked when the script was compiled (their count,
// and no lone `$` where a name stands) call their command at once, with the
// references and words the instruction holds, in the order the command table
// takes them. Which operands each uses is listed where it is chosen.
const Instruction* directAdd(Machine&, const Instruction&);
const Instruction* directArrlen(Machine&, const Instruction&);
const Instruction* directArrdel(Machine&, const Instruction&);
const Instruction* directGetarray(Machine&, const Instruction&);
const Instruction* directStrlen(Machine&, const Instruction&);
const Instruction* directStrupper(Machine&, const Instruction&);
const Instruction* directStrlower(Machine&, const Instruction&);
const Instruction* directMd5(Machine&, const Instruction&);
const Instruction* directFwrite(Machine&, const Instruction&);
const Instruction* directFreadln(Machine&, const Instruction&);
const Instruction* directFread(Machine&, const Instruction&);
const Instruction* directFdone(Machine&, const Instruction&);
const Instruction* directFopen(Machine&, const Instruction&);
const Instruction* directFclose(Machine&, const Instruction&);
const Instruction* directCin(Machine&, const Instruction&);

// An integer operand of a comparison: a number, an int variable, or an
// arithmetic word.
enum class IntOperand : std::uint8_t { Number, Variable, Arithmetic };
// `if l op r` with integers: a and b = operands (a number, a VarRef* or a
// Word*), c = where a false condition goes on. Fused with the `goto` after it
// (`fused`): c = where the `goto` lands, and a false condition passes both.
Handler intComparisonHandler(Comparison comparison, IntOperand left,
                             IntOperand right, bool fused);
// An operand of `==` and `!=`: a variable of any type, a number, a fixed text,
// or an arithmetic word.
enum class ValueOperand : std::uint8_t { Variable, Number, Text, Arithmetic };
// `if l == r` (or `!=`): a and b = operands (a VarRef*, a number, a
// StringValue* or a Word*), c as above.
Handler equalityHandler(bool equal, ValueOperand left, ValueOperand right,
                        bool fused);
// The counting loop in one step: `set $t ($t op n)`, then `if $t cmp r` fused
// with the `goto` after it. The instruction is the `set`'s (a = target, c =
// n); the comparison is read from the fused `if` instruction right after it,
// which stays in place for whoever reaches it another way. Null when `op` is
// not one of `* + - / %`.
Handler countingHandler(char op, Comparison comparison, IntOperand right);
// The same with a fixed divisor (c = the Divisor*): `set $t ($t / d)`.
Handler countingDivisionHandler(char op, Comparison comparison,
                                IntOperand right);
// `substr $s from to` with bounds that are numbers, int variables or
// arithmetic: a = the string variable, b and c = the bounds.
Handler substrHandler(IntOperand from, IntOperand to);
// `set $c $line` followed by such a `substr $c from to`: the cut is made from
// `$line` at once, without copying it into `$c` first. The instruction is the
// `set`'s (a = target, b = source); the bounds are read from the `substr`
// instruction right after it, which stays in place.
Handler cutHandler(IntOperand from, IntOperand to);
// `getarray $t $a i` with an index that is a number, an int variable or
// arithmetic: a = target, b = array, c = the index. An element of the
// target's own type, or a number into a string, is copied at once; other
// pairs go through the command.
Handler getarrayHandler(IntOperand index);
// `if l ~= r` (or `!~=`, `<>`) with strings: a and b = operands (a VarRef* of
// a string variable when the flag says so, else a StringValue*), c as above.
Handler textComparisonHandler(bool same, bool leftIsVariable,
                              bool rightIsVariable, bool fused);

}  // namespace corvel
