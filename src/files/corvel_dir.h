// CorvelDir: the entries of a directory, and what exists at a path.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

class CorvelDir {
 public:
  // Returns the names of the entries of directory `path` (not "." or "..",
  // hidden ones included, in the system's order); a directory that cannot be
  // opened or read to its end gives no names, and a path that is no directory
  // gives nothing. `failure`, when given, receives why the directory could not
  // be listed, or 0.
  std::optional<std::vector<std::string>> getDirectoryListing(
      const std::string& path, int* failure = nullptr) const;
};

// What exists at `path`, following symbolic links: 0 nothing (also for a path
// that names nothing, below), 1 something that is no directory, 2 a directory.
int pathKind(const std::string& path);

// Whether `path` names nothing whatever the file system holds: it has a zero
// byte inside, where the system would cut it short, or, in the sandbox, it
// reaches outside the working folder (it is absolute or has a ".." component).
bool namesNothing(std::string_view path);

}  // namespace corvel
