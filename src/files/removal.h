// Removing a file, a link or a whole directory tree from the file system.
#pragma once

#include <string>

namespace corvel {

enum class Removal {
  Done,     // nothing is left
  Refused,  // nothing was removed
  Partly,   // some entries were removed, others are left
};

// Removes what `path` names: a directory together with everything inside it,
// anything else on its own. A symbolic link is removed itself and never
// followed, wherever it sits in the tree and also when `path` ends in slashes.
// The tree is walked by descriptors, so a directory swapped for a link while
// it is walked is not followed either.
Removal removeTree(const std::string& path);

}  // namespace corvel
