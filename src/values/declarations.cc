// Declarations: the `int`, `string`, `array` and `file` commands.
#include "values/declarations.h"

namespace corvel {

void declare_int(VariableList& vars, std::string_view name) {
  vars.declare(name, Type::Int);
}

void string(VariableList& vars, std::string_view name) {
  vars.declare(name, Type::String);
}

void declare_array(VariableList& vars, std::string_view name) {
  vars.declare(name, Type::Array);
}

void declare_file(VariableList& vars, std::string_view name) {
  vars.declare(name, Type::File);
}

}  // namespace corvel
