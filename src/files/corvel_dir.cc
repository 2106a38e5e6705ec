// CorvelDir: directory listings in the array form scripts read.
#include "files/corvel_dir.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "values/text.h"

namespace corvel {

int pathKind(const std::string& path) {
  if (path.find('\0') != std::string::npos) return 0;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return 0;
  return S_ISDIR(info.st_mode) ? 2 : 1;
}

std::shared_ptr<List> CorvelDir::getDirectoryListing(
    const std::string& path) const {
  if (pathKind(path) != 2) return nullptr;
  auto list = std::make_shared<List>();
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return list;
  std::int32_t index = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 ||
        std::strcmp(entry->d_name, "..") == 0)
      continue;
    std::string name;
    appendDecimal(name, index++);
    list->items.push_back(std::make_shared<CorvelVariable>(
        std::move(name),
        std::optional<std::string>(std::string(entry->d_name))));
  }
  ::closedir(dir);
  return list;
}

}  // namespace corvel
