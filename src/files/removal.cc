// Removing a file, a link or a whole directory tree from the file system.
#include "files/removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace corvel {

namespace {

// A directory being emptied: its open listing and its name in its parent.
struct Level {
  DIR* listing;
  std::string name;
};

int openDirectory(int parent, const char* name) {
  int descriptor;
  do {
    descriptor =
        ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (descriptor < 0 && errno == EINTR);
  return descriptor;
}

// An interrupted removal or listing is made again, as an interrupted open is:
// the interruption is no answer about the entry.
int removeEntry(int parent, const char* name, int flags) {
  int result;
  do {
    result = ::unlinkat(parent, name, flags);
  } while (result != 0 && errno == EINTR);
  return result;
}

DIR* listDirectory(int descriptor) {
  DIR* listing;
  do {
    listing = ::fdopendir(descriptor);
  } while (listing == nullptr && errno == EINTR);
  return listing;
}

}  // namespace

Removal removeTree(const std::string& path) {
  // "link/" names what the link points to; the link itself is meant.
  std::string target = path;
  while (target.size() > 1 && target.back() == '/') target.pop_back();
  bool removedAny = false;
  bool complete = true;
  // Anything that is not a directory goes at once; a directory (never a link
  // to one, thanks to O_NOFOLLOW) is emptied first.
  if (removeEntry(AT_FDCWD, target.c_str(), 0) == 0) return Removal::Done;
  if (errno != EISDIR && errno != EPERM) return Removal::Refused;
  std::vector<Level> levels;
  int top = openDirectory(AT_FDCWD, target.c_str());
  if (top < 0) return Removal::Refused;
  DIR* listing = listDirectory(top);
  if (listing == nullptr) {
    ::close(top);
    return Removal::Refused;
  }
  levels.push_back({listing, target});
  // An explicit stack: the depth of a tree is not ours to limit.
  while (!levels.empty()) {
    Level& level = levels.back();
    int here = ::dirfd(level.listing);
    errno = 0;
    const dirent* entry = ::readdir(level.listing);
    if (entry == nullptr && errno == EINTR) continue;
    if (entry == nullptr) {
      if (errno != 0) complete = false;
      std::string name = std::move(level.name);
      ::closedir(level.listing);
      levels.pop_back();
      int parent = levels.empty() ? AT_FDCWD : ::dirfd(levels.back().listing);
      if (removeEntry(parent, name.c_str(), AT_REMOVEDIR) == 0) {
        removedAny = true;
      } else {
        complete = false;
      }
      continue;
    }
    if (std::strcmp(entry->d_name, ".") == 0 ||
        std::strcmp(entry->d_name, "..") == 0)
      continue;
    std::string name = entry->d_name;
    if (removeEntry(here, name.c_str(), 0) == 0) {
      removedAny = true;
      continue;
    }
    if (errno != EISDIR && errno != EPERM) {
      complete = false;
      continue;
    }
    int inner = openDirectory(here, name.c_str());
    DIR* innerListing = inner < 0 ? nullptr : listDirectory(inner);
    if (innerListing == nullptr) {
      if (inner >= 0) ::close(inner);
      complete = false;
      continue;
    }
    levels.push_back({innerListing, std::move(name)});
  }
  if (complete) return Removal::Done;
  return removedAny ? Removal::Partly : Removal::Refused;
}

}  // namespace corvel
