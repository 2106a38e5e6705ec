// Declarations: the `int`, `string`, `array` and `file` commands.
#include "values/declarations.h"

namespace corvel {

void declare_int(VariableList& vars, VarRef& ref) {
  vars.declare(ref, Type::Int);
}

void string(VariableList& vars, VarRef& ref) {
  vars.declare(ref, Type::String);
}

void declare_array(VariableList& vars, VarRef& ref) {
  vars.declare(ref, Type::Array);
}

void declare_file(VariableList& vars, VarRef& ref) {
  vars.declare(ref, Type::File);
}

}  // namespace corvel
