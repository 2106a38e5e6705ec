// String and number commands: strlen, strupper, strlower, substr, md5, random,
// cin.
#include "commands/string_commands.h"

#include <stdlib.h>

#include "commands/checks.h"
#include "files/hash.h"
#include "interpreter/console.h"
#include "values/conversions.h"
#include "values/text.h"

namespace corvel {

namespace {

void mapCase(VariableList& vars, const VarRef& ref,
             std::string (*map)(std::string_view)) {
  CorvelVariable& variable =
      requireVariable(vars, ref, Type::String, "Not a string: $");
  std::optional<std::string>& text = variable.asString();
  // The absent string stays absent.
  if (text) text = map(*text);
}

}  // namespace

void method_strlen(VariableList& vars, const VarRef& text,
                   const VarRef& target) {
  // The operand is always read as a variable, of any type.
  CorvelVariable* operand = vars.find(text);
  if (operand == nullptr) fail("Not declared: $" + text.name + "\n", 1);
  std::int32_t length = 0;
  if (operand->type() == Type::String) {
    if (const auto& value = operand->asString()) length = utf16Length(*value);
  } else {
    std::string scratch;
    appendVariableText(scratch, *operand);
    length = utf16Length(scratch);
  }
  CorvelVariable* result = vars.find(target);
  if (result == nullptr) {
    consolePrint("Not declared: $" + target.name + "\n");
    return;
  }
  if (result->type() != Type::Int) {
    consolePrint("Not an int: $" + target.name + "\n");
    return;
  }
  result->value = length;
}

void method_strupper(VariableList& vars, const VarRef& text) {
  mapCase(vars, text, toUpperCase);
}

void method_strlower(VariableList& vars, const VarRef& text) {
  mapCase(vars, text, toLowerCase);
}

void method_substr(VariableList& vars, const VarRef& text, const Word& from,
                   const Word& to) {
  CorvelVariable* variable = &requireDeclared(vars, text);
  if (variable->type() != Type::String) {
    consolePrint("Not string: $" + text.name + "\n");
    return;
  }
  constexpr std::string_view kOutOfBounds =
      "Fatal error.  Substring out of bounds.\n";
  const std::optional<std::string>& current = variable->asString();
  std::int32_t length = current ? utf16Length(*current) : 0;
  std::int32_t start = turnExpressionToInt(vars, from);
  if (start < 0 || start > length) fail(kOutOfBounds, 1);
  std::int32_t end = turnExpressionToInt(vars, to);
  if (end < 0 || end > length) fail(kOutOfBounds, 1);
  if (start > end) fail(kOutOfBounds, 1);
  // The absent string has nothing to cut and stays absent.
  if (current)
    variable->value =
        std::optional<std::string>(utf16Substring(*current, start, end));
}

void method_md5(VariableList& vars, std::string_view text,
                const VarRef& target) {
  CorvelVariable& variable =
      requireVariable(vars, target, Type::String, "Not a string: $");
  variable.value = std::optional<std::string>(Hash().md5(text));
}

void method_random(VariableList& vars, const VarRef& target) {
  CorvelVariable& variable =
      requireVariable(vars, target, Type::Int, "Not an int: $");
  variable.value = static_cast<std::int32_t>(arc4random());
}

void method_cin(VariableList& vars, const VarRef& target) {
  CorvelVariable& variable =
      requireVariable(vars, target, Type::String, "Not a string: $");
  std::optional<std::string> line = readLineFromConsole();
  if (!line) return;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  variable.value = std::move(line);
}

}  // namespace corvel
