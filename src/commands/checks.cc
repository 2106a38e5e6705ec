// The checks every command makes on the variables it names, before it changes
// anything.
#include "commands/checks.h"

#include <string>

#include "base/fault.h"

namespace corvel {

CorvelVariable& requireDeclared(const VarRef& ref) {
  if (ref.record == nullptr) fail("Not declared: $" + ref.name + "\n", 1);
  return *ref.record;
}

CorvelVariable& requireVariable(const VarRef& ref, Type type,
                                std::string_view wrongType) {
  CorvelVariable& variable = requireDeclared(ref);
  if (variable.type() != type)
    fail(std::string(wrongType) + ref.name + "\n", 1);
  return variable;
}

}  // namespace corvel
