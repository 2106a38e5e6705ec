// Declarations: the `int`, `string`, `array` and `file` commands.
#pragma once

#include "values/variable_list.h"

namespace corvel {

// Each declares the name of `ref` with its type and initial value, unless a
// variable of that name exists already: then nothing happens, whatever that
// variable's type.
void declare_int(VariableList& vars, VarRef& ref);
void string(VariableList& vars, VarRef& ref);
void declare_array(VariableList& vars, VarRef& ref);
void declare_file(VariableList& vars, VarRef& ref);

}  // namespace corvel
