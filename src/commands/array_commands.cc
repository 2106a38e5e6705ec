// Array commands: add, arrlen, arrdel, getarray.
#include "commands/array_commands.h"

#include "base/fault.h"
#include "base/text.h"
#include "commands/checks.h"
#include "values/conversions.h"

namespace corvel {

namespace {

List& arrayOf(const VarRef& ref) {
  return *requireVariable(ref, Type::Array, "Not an array: $").asList();
}

void checkIndex(const List& list, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.items.size()) {
    std::string message = "Array index out of bounds: ";
    appendDecimal(message, index);
    fail(message, 1);
  }
}

}  // namespace

void array_add(const VarRef& array, const Word& item) {
  CorvelVariable& variable = requireDeclared(array);
  if (variable.type() != Type::Array) {
    fail("Cannot add item to something that's not an array.\n", 1);
  }
  std::optional<Type> kind = getVariableTypeOfConstant(item);
  if (!kind) return;
  Value value;
  switch (*kind) {
    case Type::Int:
      value = turnExpressionToInt(item);
      break;
    case Type::String:
      value = evaluateString(item);
      // The absent string is added as an empty one, as reading it as text
      // gives.
      if (std::get<StringValue>(value).isAbsent()) value = StringValue();
      break;
    case Type::Array:
      // A copy of the outer list, taken before the append, so a list added to
      // itself does not come to contain itself.
      value = std::make_shared<List>(*turnExpressionToArray(item));
      break;
    case Type::File:
      value = turnExpressionToObject(item);
      break;
  }
  variable.asList()->items.push_back(
      std::make_shared<CorvelVariable>(std::move(value)));
}

void method_arrlen(const VarRef& array, const VarRef& target) {
  const List& list = arrayOf(array);
  CorvelVariable& result = requireDeclared(target);
  if (result.type() != Type::Int) fail("Not an int: $" + target.name + "\n", 1);
  result.value = static_cast<std::int32_t>(list.items.size());
}

void method_arrdel(const VarRef& array, std::int32_t index) {
  List& list = arrayOf(array);
  checkIndex(list, index);
  // Either end goes without moving the others: a list used as a queue or a
  // stack stays cheap.
  if (index == 0) {
    list.items.pop_front();
  } else if (static_cast<std::size_t>(index) + 1 == list.items.size()) {
    list.items.pop_back();
  } else {
    list.items.erase(list.items.begin() + index);
  }
}

void method_getarray(const VarRef& target, const VarRef& array,
                     std::int32_t index) {
  CorvelVariable& source = requireDeclared(array);
  CorvelVariable& result = requireDeclared(target);
  if (source.type() != Type::Array)
    fail("Not an array: $" + array.name + "\n", 1);
  const List& list = *source.asList();
  checkIndex(list, index);
  // Held here so that the element outlives a store that replaces the list it
  // came from.
  std::shared_ptr<CorvelVariable> element =
      list.items[static_cast<std::size_t>(index)];
  switch (result.type()) {
    case Type::Int:
      // A number reads back as itself; anything else is read from its text.
      if (element->type() == Type::Int) {
        result.value = element->asInt();
      } else {
        result.value = readNumberText(turnVariableToString(*element).view());
      }
      break;
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
