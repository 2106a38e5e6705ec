// The loader: reads a script file and cuts it into token lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// The words of one statement, brackets kept, never empty.
using TokenLine = std::vector<std::string>;

// Cuts the bytes of a script into token lines, in file order. A backslash as
// the last byte ends the run with status 1, a closing bracket that closes no
// group of its kind with status -1.
std::vector<TokenLine> loadCode(std::string_view source);

// Reads the script at `path` and cuts it into token lines. A script that cannot
// be read ends the run with "Cannot open script: PATH" and status 1.
std::vector<TokenLine> loadCodeFromFile(const std::string& path);

}  // namespace corvel
