// CorvelDir: the entries of a directory, and what exists at a path.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvel {

class CorvelDir {
 public:
  // Returns the names of the entries of directory `path` (not "." or "..",
  // hidden ones included, in the system's order); an unreadable directory gives
  // no names, and a path that is no directory gives nothing.
  std::optional<std::vector<std::string>> getDirectoryListing(
      const std::string& path) const;
};

// What exists at `path`, following symbolic links: 0 nothing, 1 something that
// is no directory, 2 a directory. A path with a zero byte inside names nothing.
int pathKind(const std::string& path);

}  // namespace corvel
