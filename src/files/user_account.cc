// The current user's account: home directory and login name.
#include "files/user_account.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace corvel {

std::string homeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string userName() {
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_name != nullptr ? entry->pw_name : "";
}

}  // namespace corvel
