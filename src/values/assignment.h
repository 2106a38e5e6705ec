// Assignment: the `set` command.
#pragma once

#include "values/evaluation.h"
#include "values/variable_list.h"

namespace corvel {

// Stores the value of `word` in the variable `target`, read the way the
// target's type calls for: an integer, a text, a list (shared with an array
// variable) or a file handle (shared, and only from another file variable). An
// undeclared target is reported and the run goes on.
void v_set(const VarRef& target, const Word& word);

// Whether `word` is a literal that begins with a reference to `target` itself,
// as in `set $t [$t#more]`: the rest can then be appended in place.
bool appendsToItself(const VarRef& target, const Word& word);

}  // namespace corvel
