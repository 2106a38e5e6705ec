// Hash: MD5 digests of text, written in hexadecimal.
#include "files/hash.h"

#include <openssl/opensslv.h>

#include "base/library.h"

namespace corvel {

namespace {

// libcrypto's one-call MD5, loaded on the first digest. It keeps its state on
// the stack, which makes it the cheapest way into the library for the short
// texts scripts hash, one after another.
using Md5Function = unsigned char* (*)(const unsigned char* data,
                                       std::size_t size, unsigned char* digest);

Md5Function md5Function() {
  static const Md5Function function = [] {
    constexpr const char* kPurpose = "md5";
    void* library = requireLibrary(
        "libcrypto.so." + std::to_string(OPENSSL_VERSION_MAJOR), kPurpose);
    return requireFunction<Md5Function>(library, "MD5", kPurpose);
  }();
  return function;
}

}  // namespace

void Hash::md5(std::string_view text, char (&out)[kDigits]) const {
  unsigned char digest[kDigits / 2];
  md5Function()(reinterpret_cast<const unsigned char*>(text.data()),
                text.size(), digest);
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < kDigits / 2; ++i) {
    out[2 * i] = kHex[digest[i] >> 4];
    out[2 * i + 1] = kHex[digest[i] & 0xF];
  }
}

}  // namespace corvel
