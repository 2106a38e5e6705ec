// Reading a whole file into memory, as the loader needs its script.
#pragma once

#include <optional>
#include <string>

namespace corvel {

// Returns every byte of the regular file (or other readable non-directory) at
// `path`, or nothing when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::string& path);

}  // namespace corvel
