// The working folder, which relative paths start from, changed for a while.
#include "files/working_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include "base/fault.h"

namespace corvel {

WorkingFolder::WorkingFolder(const std::string& path) {
  if (path.empty()) return;
  previous_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (previous_ < 0 || ::chdir(path.c_str()) != 0) {
    if (previous_ >= 0) ::close(previous_);
    previous_ = -1;
    fail("Cannot enter folder: " + path + "\n", 1);
  }
}

WorkingFolder::~WorkingFolder() {
  if (previous_ < 0) return;
  [[maybe_unused]] int returned = ::fchdir(previous_);
  ::close(previous_);
}

}  // namespace corvel
