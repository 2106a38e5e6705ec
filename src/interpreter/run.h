// The run: loads a script, compiles it and runs its instructions to the end.
#pragma once

#include <string>

#include "interpreter/compiler.h"

namespace corvel {

// Compiles `source`, the script at `path` (which fault locations name), with
// `options` and runs it to its end, tracing every statement on standard error
// when `tracing`; then ends the process.
[[noreturn]] void runSource(const std::string& path, std::string source,
                            const CompileOptions& options, bool tracing);

// Loads the script at `path`, runs it to its end and ends the process. The
// environment can ask for a trace of every statement on standard error
// (CORVEL_TRACE=1) or for every line to take the generic path
// (CORVEL_GENERIC=1).
[[noreturn]] void runScript(const std::string& path);

}  // namespace corvel
