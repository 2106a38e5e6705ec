// CorvelDir: the entries of a directory, and what exists at a path.
#include "files/corvel_dir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/interrupt.h"
#include "base/sandbox.h"

namespace corvel {

bool namesNothing(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return true;
  if (!sandbox.on) return false;
  if (!path.empty() && path.front() == '/') return true;
  // A ".." component: the whole path, or a piece between slashes.
  for (std::size_t at = path.find(".."); at != std::string_view::npos;
       at = path.find("..", at + 1)) {
    bool opens = at == 0 || path[at - 1] == '/';
    bool closes = at + 2 == path.size() || path[at + 2] == '/';
    if (opens && closes) return true;
  }
  return false;
}

int pathKind(const std::string& path) {
  if (namesNothing(path)) return 0;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return 0;
  return S_ISDIR(info.st_mode) ? 2 : 1;
}

std::optional<std::vector<std::string>> CorvelDir::getDirectoryListing(
    const std::string& path, int* failure) const {
  int kind = pathKind(path);
  if (kind != 2) {
    if (failure != nullptr) *failure = kind == 0 ? ENOENT : ENOTDIR;
    return std::nullopt;
  }
  std::vector<std::string> names;
  DIR* dir;
  while ((dir = ::opendir(path.c_str())) == nullptr && errno == EINTR)
    stopIfRequested();
  if (dir == nullptr) {
    if (failure != nullptr) *failure = errno;
    return names;
  }
  if (failure != nullptr) *failure = 0;
  for (;;) {
    // Only errno tells the end of the entries from a failure.
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      if (errno == EINTR) {
        stopIfRequested();
        continue;
      }
      // A directory that cannot be read to its end cannot be read: part of
      // its names would pass for all of them.
      if (errno != 0) {
        if (failure != nullptr) *failure = errno;
        names.clear();
      }
      break;
    }
    if (std::strcmp(entry->d_name, ".") == 0 ||
        std::strcmp(entry->d_name, "..") == 0)
      continue;
    names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace corvel
