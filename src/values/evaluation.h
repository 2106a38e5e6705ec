// Expression evaluation: argument words as text, integers, values and lists.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "values/corvel_variable.h"
#include "values/variable_list.h"

namespace corvel {

enum class WordForm : std::uint8_t {
  Variable,    // $name
  Literal,     // [text with $references]
  Arithmetic,  // (left op right)
  Bare,        // anything else: stands for nothing
};

// One operand of an arithmetic word: a variable read as an integer, or a number
// fixed when the word is analysed.
struct ArithmeticOperand {
  VarRef* ref = nullptr;  // null: `number`
  std::int32_t number = 0;
};

// A run of plain text in a string literal, followed by a variable reference
// unless it is the last.
struct LiteralPiece {
  std::string text;
  VarRef* reference = nullptr;
};

// An argument word as the loader gave it, analysed once so that evaluation
// never reparses it. `text` views the script (or the decoded form of a word
// with escapes), which lives as long as the run.
struct Word {
  std::string_view text;
  WordForm form = WordForm::Bare;
  // Variable: the variable it names.
  VarRef* variable = nullptr;
  // Literal without references: its value. With references: the pieces.
  bool constant = false;
  StringValue value;
  std::vector<LiteralPiece> pieces;
  // Arithmetic.
  ArithmeticOperand left;
  ArithmeticOperand right;
  char op = '+';
  bool leftOnly = false;

  // Whether the word's text is the same whenever it is evaluated.
  bool hasFixedText() const {
    return form == WordForm::Bare || (form == WordForm::Literal && constant);
  }
};

// Analyses `text` into its form and parts, making the references its names
// need in `vars`. `text` must outlive the word.
Word analyseWord(VariableList& vars, std::string_view text);

// The text of `word`, as a view into a variable, into `word` or into `scratch`;
// it stays valid until the next store into a variable or use of `scratch`.
// Nothing means the absent string. An undeclared variable ends the run with
// "Not declared: $name".
std::optional<std::string_view> evaluateText(const Word& word,
                                             std::string& scratch);
// The text of `word` as a string value (a variable's own string shared).
StringValue evaluateString(const Word& word);
// Appends the value of the literal `word` from its piece `firstPiece` on to
// `out`.
void appendLiteralPieces(const Word& word, std::size_t firstPiece,
                         std::string& out);
// The text of `word`; the absent string reads as the empty text.
std::string turnExpressionToString(const Word& word);
// The text of `word` read as a decimal integer; arithmetic and integer
// variables directly.
std::int32_t turnExpressionToInt(const Word& word);
// The value of `word`: a variable's own value (lists and handles shared), a
// literal's string, an arithmetic word's number, the empty string for a bare
// word.
Value turnExpressionToObject(const Word& word);
// The list of `word`: an array variable's own list, a new one-element list
// sharing the value of any other variable, an empty list for every word that is
// not a variable.
std::shared_ptr<List> turnExpressionToArray(const Word& word);
// The type `word` would have, without evaluating it; nothing stands for "void".
std::optional<Type> getVariableTypeOfConstant(const Word& word);
// The one integer operation of an arithmetic word. Division or remainder by
// zero ends the run.
std::int32_t expr(const Word& word);
// The value of one arithmetic operand: a number, or an int variable's value
// (anything else counts as 0).
inline std::int32_t operandValue(const ArithmeticOperand& operand) {
  if (operand.ref == nullptr) return operand.number;
  const CorvelVariable* variable = operand.ref->record;
  if (variable == nullptr || variable->type() != Type::Int) return 0;
  return *std::get_if<std::int32_t>(&variable->value);
}
// `left` `op` `right` with 32-bit wrap-around, noted when notes are wanted;
// division or remainder by zero ends the run; an unknown operator gives 0.
std::int32_t applyOperator(char op, std::int32_t left, std::int32_t right);
// `text` read as a decimal integer (see readInteger); digits beyond the 32-bit
// range are noted when notes are wanted.
std::int32_t readNumberText(std::string_view text);
// For an arithmetic word `text` with a number written beyond the 32-bit range,
// the note to give when its statement runs; nothing otherwise.
std::optional<std::string> writtenNumberNote(std::string_view text);

// Whether two values are the same value: same kind and same number, same
// characters, the very same element records in the same order, or the same
// handle. The absent string equals nothing.
bool valuesEqual(const Value& a, const Value& b);

// Ends the run with "Not declared: $name".
[[noreturn]] void notDeclared(std::string_view name);

}  // namespace corvel
