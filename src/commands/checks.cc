// The checks every command makes on the variables it names, before it changes
// anything.
#include "commands/checks.h"

#include <string>

#include "base/fault.h"

namespace corvel {

namespace {

// The messages are made out of line, so that the checks themselves, which
// every command makes, need no stack frame.
[[noreturn, gnu::cold, gnu::noinline]] void failNotDeclared(
    const VarRef& ref) {
  fail("Not declared: $" + ref.name + "\n", 1);
}

[[noreturn, gnu::cold, gnu::noinline]] void failWrongType(
    const VarRef& ref, std::string_view wrongType) {
  fail(std::string(wrongType) + ref.name + "\n", 1);
}

}  // namespace

CorvelVariable& requireDeclared(const VarRef& ref) {
  if (ref.record == nullptr) failNotDeclared(ref);
  return *ref.record;
}

CorvelVariable& requireVariable(const VarRef& ref, Type type,
                                std::string_view wrongType) {
  CorvelVariable& variable = requireDeclared(ref);
  if (variable.type() != type) failWrongType(ref, wrongType);
  return variable;
}

}  // namespace corvel
