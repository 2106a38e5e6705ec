// File commands: fopen, fclose, fread, freadln, fwrite, fdone.
#pragma once

#include <cstdint>
#include <string_view>

#include "values/variable_list.h"

namespace corvel {

// Each checks that `file` names a file variable (and `target` a variable of the
// type it stores), ending the run otherwise, then hands the work to the handle.
void method_open(const VarRef& file, std::string_view path,
                 std::string_view mode);
void method_fclose(const VarRef& file);
// Stores up to `count` bytes read from `file` in the string variable `target`.
void method_fread(const VarRef& file, const VarRef& target, std::int32_t count);
// Stores the next line of `file` in the string variable `target`.
void method_freadline(const VarRef& file, const VarRef& target);
void method_fwrite(const VarRef& file, std::string_view text);
// Stores 1 in the int variable `target` when `file` has met its end or was
// closed, else 0.
void method_fdone(const VarRef& file, const VarRef& target);

}  // namespace corvel
