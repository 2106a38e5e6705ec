// File-system, shell and network commands: fexists, unlink, mkdir, readdir,
// system, geturl.
#include "commands/system_commands.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "base/console.h"
#include "base/fault.h"
#include "base/text.h"
#include "commands/checks.h"
#include "files/corvel_dir.h"
#include "files/web.h"

namespace corvel {

void method_fexists(const std::string& path, const VarRef& target) {
  CorvelVariable& result = requireVariable(target, Type::Int, "Not an int: $");
  result.value = std::int32_t{pathKind(path)};
}

void method_unlink(const std::string& path) {
  if (pathKind(path) == 0)
    fail("File/directory doesn't exitst: $" + path + "\n", 1);
  // A symbolic link is removed itself, never what it points to. A refusal is
  // not reported.
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path), ignored);
}

void method_mkdir(const std::string& path) {
  if (pathKind(path) != 0) fail("File/directory exists: $" + path + "\n", 1);
  // A path with a zero byte inside names nothing, so nothing is made; missing
  // parents are not made either, and a refusal is not reported.
  if (path.find('\0') != std::string::npos) return;
  ::mkdir(path.c_str(), 0777);
}

void method_readdir(const VarRef& array, const std::string& path) {
  std::optional<std::vector<std::string>> names =
      CorvelDir().getDirectoryListing(path);
  auto listing = std::make_shared<List>();
  if (names) {
    for (const std::string& name : *names)
      listing->items.push_back(
          std::make_shared<CorvelVariable>(StringValue(name)));
  }
  CorvelVariable& result =
      requireVariable(array, Type::Array, "Not an array: $");
  result.value = std::move(listing);
}

void method_system(const std::string& command) {
  // The child shares the console and may read the files the script writes: it
  // must see our output and written text first, and the input we have not used.
  consoleFlush();
  runFlushHooks();
  consoleReleaseInput();
  if (command.find('\0') != std::string::npos) return;
  [[maybe_unused]] int status = std::system(command.c_str());
}

void method_geturl(const std::string& url, const VarRef& target) {
  CorvelVariable& result =
      requireVariable(target, Type::String, "Not a string: $");
  consoleFlush();
  result.value = StringValue(fetchUrl(url));
}

}  // namespace corvel
