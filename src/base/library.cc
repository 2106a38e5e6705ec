// Shared libraries that only some scripts need, loaded when a script first
// needs them, so that start-up maps none of them.
#include "base/library.h"

#include <dlfcn.h>

#include "base/fault.h"

namespace corvel {

void* requireLibrary(const std::string& name, const char* purpose) {
  void* library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr)
    fail("Cannot load " + name + ", which " + purpose + " needs\n", 1);
  return library;
}

void* requireSymbol(void* library, const char* symbol, const char* purpose) {
  void* address = ::dlsym(library, symbol);
  if (address == nullptr) {
    fail(std::string("Cannot find ") + symbol + ", which " + purpose +
             " needs\n",
         1);
  }
  return address;
}

}  // namespace corvel
