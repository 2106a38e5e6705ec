// The current user's account: home directory and login name.
#pragma once

#include <string>

namespace corvel {

// Returns the home directory: HOME when set and not empty, else the password
// database's entry.
std::string homeDirectory();
// Returns the login name of the real user id, or the empty string when the
// database has none.
std::string userName();

}  // namespace corvel
