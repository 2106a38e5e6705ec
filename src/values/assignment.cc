// Assignment: the `set` command.
#include "values/assignment.h"

#include "interpreter/console.h"

namespace corvel {

namespace {

// `set $t [$t...]` is how scripts build up text. When the literal starts with
// the target itself, the rest is appended in place instead of copying the whole
// text on every store.
bool appendToItself(VariableList& vars, CorvelVariable& target,
                    const Word& word) {
  if (word.form != WordForm::Literal || word.constant) return false;
  const LiteralPiece& first = word.pieces.front();
  if (!first.text.empty() || vars.find(first.reference) != &target)
    return false;
  std::string rest;
  appendLiteralPieces(vars, word, 1, rest);
  std::optional<std::string>& text = target.asString();
  if (!text) text.emplace();
  *text += rest;
  return true;
}

}  // namespace

void v_set(VariableList& vars, const VarRef& target, const Word& word) {
  CorvelVariable* variable = vars.find(target);
  if (variable == nullptr) {
    consolePrint("Not declared: $" + target.name + "\n");
    return;
  }
  switch (variable->type()) {
    case Type::Int:
      variable->value = turnExpressionToInt(vars, word);
      return;
    case Type::String: {
      if (appendToItself(vars, *variable, word)) return;
      std::string scratch;
      std::optional<std::string_view> text = evaluateText(vars, word, scratch);
      // The text may be a view of this very variable, so it is copied before
      // the store.
      std::optional<std::string> stored;
      if (text) stored.emplace(*text);
      variable->value = std::move(stored);
      return;
    }
    case Type::Array:
      variable->value = turnExpressionToArray(vars, word);
      return;
    case Type::File: {
      if (word.form != WordForm::Variable)
        fail("Fatal error with variable type\n", 1);
      CorvelVariable* source = vars.find(word.ref);
      if (source == nullptr) fail("Not declared: " + word.text + "\n", 1);
      if (source->type() != Type::File)
        fail("Not a file: " + word.text + "\n", 1);
      variable->value = source->asFile();
      return;
    }
  }
}

}  // namespace corvel
