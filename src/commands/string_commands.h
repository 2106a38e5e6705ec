// String and number commands: strlen, strupper, strlower, substr, md5, random,
// cin.
#pragma once

#include <string_view>

#include "values/evaluation.h"
#include "values/variable_list.h"

namespace corvel {

// Stores the length, in UTF-16 units, of the text of variable `text` (of any
// type) in `target`. A target that is missing or not an int is reported and the
// run goes on.
void method_strlen(const VarRef& text, const VarRef& target);
// Replace the string variable `text` by its upper-case or lower-case form.
void method_strupper(const VarRef& text);
void method_strlower(const VarRef& text);
// Cuts the string variable `text` to its units from `from` up to, not
// including, `to`.
void method_substr(const VarRef& text, const Word& from, const Word& to);
// Stores the MD5 digest of `text` in hexadecimal in the string variable
// `target`.
void method_md5(std::string_view text, const VarRef& target);
// Stores a random integer drawn from the whole 32-bit range in the int variable
// `target`.
void method_random(const VarRef& target);
// Stores one line of standard input, without its line end, in the string
// variable `target`; at end of input the target keeps its value.
void method_cin(const VarRef& target);

// The length of the text of `variable` in UTF-16 units, as `strlen` counts.
std::int32_t textLength(const CorvelVariable& variable);

}  // namespace corvel
