// Shared libraries that only some scripts need, loaded when a script first
// needs them, so that start-up maps none of them.
#pragma once

#include <string>

namespace corvel {

// Returns the library `name` (a file name the system's loader searches for),
// loading it on first use. When it cannot be loaded the run ends with a message
// naming it and `purpose`.
void* requireLibrary(const std::string& name, const char* purpose);

// Returns the function `symbol` of `library` as `Function`; a library without
// it ends the run like a missing library.
void* requireSymbol(void* library, const char* symbol, const char* purpose);
template <typename Function>
Function requireFunction(void* library, const char* symbol,
                         const char* purpose) {
  return reinterpret_cast<Function>(requireSymbol(library, symbol, purpose));
}

}  // namespace corvel
