// The --version option of the interpreter.
#pragma once

namespace corvel {

// Whether the command line `argv` (of `argc` words, the program first) asks
// for the version: `--version` is its only argument and nothing exists at that
// path. A script named --version is never taken away: it still runs.
bool asksForVersion(int argc, const char* const* argv);

// Prints "corvel VERSION" and a line feed and ends the process with status 0.
[[noreturn]] void showVersion();

}  // namespace corvel
