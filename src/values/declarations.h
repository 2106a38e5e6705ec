// Declarations: the `int`, `string`, `array` and `file` commands.
#pragma once

#include <string_view>

#include "values/variable_list.h"

namespace corvel {

// Each declares `name` (given without its `$`) with its type and initial value,
// unless a variable of that name exists already: then nothing happens, whatever
// that variable's type.
void declare_int(VariableList& vars, std::string_view name);
void string(VariableList& vars, std::string_view name);
void declare_array(VariableList& vars, std::string_view name);
void declare_file(VariableList& vars, std::string_view name);

}  // namespace corvel
