// CorvelDir: the entries of a directory, and what exists at a path.
#include "files/corvel_dir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

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
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) {
    if (failure != nullptr) *failure = errno;
    return names;
  }
  if (failure != nullptr) *failure = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 ||
        std::strcmp(entry->d_name, "..") == 0)
      continue;
    names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace corvel
