// The checker: reads a script the way the interpreter loads it and points at
// what is most likely a mistake, without running any of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// One finding: the line it is about and what to tell the author.
struct Warning {
  std::uint32_t line = 0;
  std::string message;
  // A load fault: the interpreter refuses the whole script.
  bool error = false;

  bool operator==(const Warning&) const = default;
};

// Returns the likely mistakes of the script `source`, ordered by line; the
// findings of one line come in the order of its words. A load fault is the
// last finding: the statements before it are checked one by one, and the
// checks that need the whole script (labels, declarations) are left out.
std::vector<Warning> checkScript(std::string_view source);

// Returns the line the checker prints for `warning` in the script `path`:
// `path`:LINE: warning: MESSAGE (error for a load fault) and a line feed.
std::string formatWarning(std::string_view path, const Warning& warning);

}  // namespace corvel
