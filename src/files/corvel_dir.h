// CorvelDir: directory listings in the array form scripts read.
#pragma once

#include <memory>
#include <string>

#include "values/corvel_variable.h"

namespace corvel {

class CorvelDir {
 public:
  // Returns the names of the entries of directory `path` (not "." or "..",
  // hidden ones included, in the system's order) as string elements named "0",
  // "1", ...; an unreadable directory gives an empty list, and a path that is
  // no directory gives nullptr.
  std::shared_ptr<List> getDirectoryListing(const std::string& path) const;
};

// What exists at `path`, following symbolic links: 0 nothing, 1 something that
// is no directory, 2 a directory.
int pathKind(const std::string& path);

}  // namespace corvel
