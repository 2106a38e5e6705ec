// CorvelDir: the entries of a directory, and what exists at a path.
#include "files/corvel_dir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

namespace corvel {

int pathKind(const std::string& path) {
  if (path.find('\0') != std::string::npos) return 0;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return 0;
  return S_ISDIR(info.st_mode) ? 2 : 1;
}

std::optional<std::vector<std::string>> CorvelDir::getDirectoryListing(
    const std::string& path) const {
  if (pathKind(path) != 2) return std::nullopt;
  std::vector<std::string> names;
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return names;
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
