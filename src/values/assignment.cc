// Assignment: the `set` command.
#include "values/assignment.h"

#include "interpreter/console.h"

namespace corvel {

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
      std::string scratch;
      std::optional<std::string_view> text = evaluateText(vars, word, scratch);
      // The text may be a view of this very variable, so it is copied before the store.
      std::optional<std::string> stored;
      if (text) stored.emplace(*text);
      variable->value = std::move(stored);
      return;
    }
    case Type::Array:
      variable->value = turnExpressionToArray(vars, word);
      return;
    case Type::File: {
      if (word.form != WordForm::Variable) fail("Fatal error with variable type\n", 0);
      CorvelVariable* source = vars.find(word.ref);
      if (source == nullptr) fail("Not declared: " + word.text + "\n", 1);
      if (source->type() != Type::File) fail("Not a file: " + word.text + "\n", 1);
      variable->value = source->asFile();
      return;
    }
  }
}

}  // namespace corvel
