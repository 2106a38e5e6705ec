// The checks every command makes on the variables it names, before it changes
// anything.
#pragma once

#include <string_view>

#include "values/variable_list.h"

namespace corvel {

// Returns the variable `ref` names. When there is none, ends the run with "Not
// declared: $name"; when its type is not `type`, with `wrongType` followed by
// the name and a line feed.
CorvelVariable& requireVariable(const VarRef& ref, Type type,
                                std::string_view wrongType);

// Returns the variable `ref` names, or ends the run with "Not declared: $name".
CorvelVariable& requireDeclared(const VarRef& ref);

}  // namespace corvel
