// Array commands: add, arrlen, arrdel, getarray.
#include "commands/array_commands.h"

#include "commands/checks.h"
#include "interpreter/console.h"
#include "values/conversions.h"
#include "values/text.h"

namespace corvel {

namespace {

List& arrayOf(VariableList& vars, const VarRef& ref, int status) {
  return *requireVariable(vars, ref, Type::Array, "Not an array: $", status)
              .asList();
}

void checkIndex(const List& list, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.items.size()) {
    std::string message = "Array index out of bounds: ";
    appendDecimal(message, index);
    fail(message, 1);
  }
}

}  // namespace

void array_add(VariableList& vars, const VarRef& array, const Word& item) {
  CorvelVariable& variable = requireDeclared(vars, array, 1);
  if (variable.type() != Type::Array) {
    fail("Cannot add item to something that's not an array.\n", 1);
  }
  std::optional<Type> kind = getVariableTypeOfConstant(vars, item);
  if (!kind) return;
  Value value;
  switch (*kind) {
    case Type::Int:
      value = turnExpressionToInt(vars, item);
      break;
    case Type::String:
      value = std::optional<std::string>(turnExpressionToString(vars, item));
      break;
    case Type::Array:
      // A copy of the outer list, taken before the append, so a list added to
      // itself does not come to contain itself.
      value = std::make_shared<List>(*turnExpressionToArray(vars, item));
      break;
    case Type::File:
      value = turnExpressionToObject(vars, item);
      break;
  }
  List& list = *variable.asList();
  std::string name;
  appendDecimal(name, static_cast<std::int32_t>(list.items.size() + 1));
  list.items.push_back(
      std::make_shared<CorvelVariable>(std::move(name), std::move(value)));
}

void method_arrlen(VariableList& vars, const VarRef& array,
                   const VarRef& target) {
  const List& list = arrayOf(vars, array, 1);
  CorvelVariable& result = requireDeclared(vars, target, 1);
  if (result.type() != Type::Int) fail("Not an int: $" + target.name + "\n", 1);
  result.value = static_cast<std::int32_t>(list.items.size());
}

void method_arrdel(VariableList& vars, const VarRef& array,
                   std::int32_t index) {
  List& list = arrayOf(vars, array, 1);
  checkIndex(list, index);
  list.items.erase(list.items.begin() + index);
}

void method_getarray(VariableList& vars, const VarRef& target,
                     const VarRef& array, std::int32_t index) {
  CorvelVariable& source = requireDeclared(vars, array, 1);
  CorvelVariable& result = requireDeclared(vars, target, 1);
  if (source.type() != Type::Array)
    fail("Not an array: $" + array.name + "\n", 1);
  const List& list = *source.asList();
  checkIndex(list, index);
  // Held here so that the element outlives a store that replaces the list it
  // came from.
  std::shared_ptr<CorvelVariable> element =
      list.items[static_cast<std::size_t>(index)];
  switch (result.type()) {
    case Type::Int: {
      std::optional<std::string> text = turnVariableToString(*element);
      result.value = text ? readInteger(*text) : 0;
      break;
    }
    case Type::String:
      result.value = turnVariableToString(*element);
      break;
    case Type::File:
      if (element->type() != Type::File)
        fail("Cannot cast file to other data type.\n", 1);
      result.value = element->asFile();
      break;
    case Type::Array:
      result.value = turnVariableToArray(*element);
      break;
  }
}

}  // namespace corvel
