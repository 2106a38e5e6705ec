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
// fixed at load.
struct ArithmeticOperand {
  bool isVariable = false;
  VarRef ref;
  std::int32_t number = 0;
};

// A run of plain text in a string literal, followed by a variable reference
// unless it is the last.
struct LiteralPiece {
  std::string text;
  bool hasReference = false;
  VarRef reference;
};

// An argument word as the loader gave it, analysed once so that evaluation
// never reparses it.
struct Word {
  std::string text;
  WordForm form = WordForm::Bare;
  // The word as a variable name: without its one leading `$`, otherwise the
  // word itself.
  VarRef ref;
  // Literal: the pieces; `constant` is set when the literal holds no reference.
  std::vector<LiteralPiece> pieces;
  bool constant = false;
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

// Analyses `text` into its form and parts.
Word analyseWord(std::string text);

// The text of `word`, as a view into a variable, into `word` or into `scratch`;
// it stays valid until the next store into a variable or use of `scratch`.
// Nothing means the absent string. An undeclared variable ends the run with
// "Not declared: $name" and status 0.
std::optional<std::string_view> evaluateText(VariableList& vars,
                                             const Word& word,
                                             std::string& scratch);
// Appends the value of the literal `word` from its piece `firstPiece` on to
// `out`.
void appendLiteralPieces(VariableList& vars, const Word& word,
                         std::size_t firstPiece, std::string& out);
// The text of `word`; the absent string reads as the empty text.
std::string turnExpressionToString(VariableList& vars, const Word& word);
// The text of `word` read as a decimal integer; arithmetic and integer
// variables directly.
std::int32_t turnExpressionToInt(VariableList& vars, const Word& word);
// The value of `word`: a variable's own value (lists and handles shared), a
// literal's string, an arithmetic word's number, the empty string for a bare
// word.
Value turnExpressionToObject(VariableList& vars, const Word& word);
// The list of `word`: an array variable's own list, a new one-element list
// sharing the value of any other variable, an empty list for every word that is
// not a variable.
std::shared_ptr<List> turnExpressionToArray(VariableList& vars,
                                            const Word& word);
// The type `word` would have, without evaluating it; nothing stands for "void".
std::optional<Type> getVariableTypeOfConstant(VariableList& vars,
                                              const Word& word);
// The one integer operation of an arithmetic word. Division or remainder by
// zero ends the run.
std::int32_t expr(VariableList& vars, const Word& word);

// Whether two values are the same value: same kind and same number, same
// characters, the very same element records in the same order, or the same
// handle. The absent string equals nothing.
bool valuesEqual(const Value& a, const Value& b);

}  // namespace corvel
