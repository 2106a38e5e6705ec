// The run: loads a script, compiles it and runs its instructions to the end.
#pragma once

#include <string>

namespace corvel {

// Loads the script at `path`, runs it to its end and ends the process. The
// environment can ask for a trace of every statement on standard error
// (CORVEL_TRACE=1) or for every line to take the generic path
// (CORVEL_GENERIC=1).
[[noreturn]] void runScript(const std::string& path);

}  // namespace corvel
