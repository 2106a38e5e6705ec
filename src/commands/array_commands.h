// Array commands: add, arrlen, arrdel, getarray.
#pragma once

#include <cstdint>

#include "values/evaluation.h"
#include "values/variable_list.h"

namespace corvel {

// Appends an element made from `item` to the array `array`: a number, a text, a
// copy of a list (its element records shared) or a shared file handle. An item
// of no type appends nothing.
void array_add(const VarRef& array, const Word& item);
// Stores the number of elements of `array` in the int variable `target`.
void method_arrlen(const VarRef& array, const VarRef& target);
// Removes the element at `index` from `array`.
void method_arrdel(const VarRef& array, std::int32_t index);
// Stores the element at `index` of `array` in `target`, converted to the
// target's type.
void method_getarray(const VarRef& target, const VarRef& array,
                     std::int32_t index);

}  // namespace corvel
