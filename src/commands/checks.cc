// The checks every command makes on the variables it names, before it changes
// anything.
#include "commands/checks.h"

#include <string>

#include "interpreter/console.h"

namespace corvel {

CorvelVariable& requireDeclared(VariableList& vars, const VarRef& ref,
                                int status) {
  CorvelVariable* variable = vars.find(ref);
  if (variable == nullptr) fail("Not declared: $" + ref.name + "\n", status);
  return *variable;
}

CorvelVariable& requireVariable(VariableList& vars, const VarRef& ref,
                                Type type, std::string_view wrongType,
                                int status) {
  CorvelVariable& variable = requireDeclared(vars, ref, status);
  if (variable.type() != type)
    fail(std::string(wrongType) + ref.name + "\n", status);
  return variable;
}

}  // namespace corvel
