// File-system, shell and network commands: fexists, unlink, mkdir, readdir,
// system, geturl.
#pragma once

#include <string>

#include "values/variable_list.h"

namespace corvel {

// Stores in the int variable `target` what exists at `path`: 0 nothing, 1 a
// file, 2 a directory.
void method_fexists(const std::string& path, const VarRef& target);
// Removes the file or the whole directory tree at `path`; ends the run when
// nothing is there.
void method_unlink(const std::string& path);
// Creates the directory `path` (its last component only); ends the run when
// something is there.
void method_mkdir(const std::string& path);
// Makes the array variable `array` hold the entry names of directory `path`
// (none if it is no directory).
void method_readdir(const VarRef& array, const std::string& path);
// Runs `command` through /bin/sh on the interpreter's own console and waits for
// it.
void method_system(const std::string& command);
// Stores the body of whatever reply a GET of `url` brings in the string
// variable `target`, or the empty string when no reply comes.
void method_geturl(const std::string& url, const VarRef& target);

}  // namespace corvel
