// Assignment: the `set` command.
#include "values/assignment.h"

#include "base/fault.h"

namespace corvel {

bool appendsToItself(const VarRef& target, const Word& word) {
  return word.form == WordForm::Literal && !word.constant &&
         word.pieces.front().text.empty() &&
         word.pieces.front().reference == &target;
}

void v_set(const VarRef& target, const Word& word) {
  CorvelVariable* variable = target.record;
  if (variable == nullptr) {
    report("Not declared: $" + target.name + "\n");
    return;
  }
  switch (variable->type()) {
    case Type::Int:
      variable->value = turnExpressionToInt(word);
      return;
    case Type::String:
      if (appendsToItself(target, word)) {
        // `set $t [$t...]` is how scripts build up text: the rest is appended
        // instead of copying the whole text on every store. It is evaluated
        // first, since it may read the target too.
        std::string rest;
        appendLiteralPieces(word, 1, rest);
        variable->asString().append(rest);
        return;
      }
      variable->value = evaluateString(word);
      return;
    case Type::Array:
      variable->value = turnExpressionToArray(word);
      return;
    case Type::File: {
      if (word.form != WordForm::Variable)
        fail("Fatal error with variable type\n", 1);
      CorvelVariable* source = word.variable->record;
      if (source == nullptr)
        fail("Not declared: " + std::string(word.text) + "\n", 1);
      if (source->type() != Type::File)
        fail("Not a file: " + std::string(word.text) + "\n", 1);
      variable->value = source->asFile();
      return;
    }
  }
}

}  // namespace corvel
