// The working folder, which relative paths start from, changed for a while.
#pragma once

#include <string>

namespace corvel {

// Makes `path` the working folder while it lives, then goes back to the one
// before. An empty `path` changes nothing; one that cannot be entered ends the
// run.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& path);
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  ~WorkingFolder();

 private:
  // The folder to go back to, held open so that it is found again even if it
  // was moved meanwhile; -1 when nothing was changed.
  int previous_ = -1;
};

}  // namespace corvel
