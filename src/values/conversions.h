// Conversions: any variable or element as text or as a list, and the array text
// form.
#pragma once

#include <memory>
#include <string>

#include "values/corvel_variable.h"

namespace corvel {

// Appends `list` in the array text form: "{" elements joined by ", " "}", a
// string as "[text]", an integer as "(n)", a file as "|path|", a nested list in
// its own braces, and "{...}" where a list recurs inside itself. Nesting depth
// is limited only by memory.
void appendArrayText(std::string& out, const List& list);
std::string turnArrayToString(const List& list);

// Appends the text of `variable`: a string as held (nothing for the absent
// string), an integer in decimal, a file's path, a list in the array text form.
void appendVariableText(std::string& out, const CorvelVariable& variable);
// The text of `variable` as above; a string variable gives its own string,
// absent included.
StringValue turnVariableToString(const CorvelVariable& variable);

// The list form of `variable`: a list gives itself (shared); any other value a
// new one-element list whose element shares the value.
std::shared_ptr<List> turnVariableToArray(const CorvelVariable& variable);

}  // namespace corvel
