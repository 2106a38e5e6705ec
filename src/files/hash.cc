// Hash: MD5 digests of text, written in hexadecimal.
#include "files/hash.h"

#include <openssl/evp.h>
#include <openssl/opensslv.h>

#include "base/fault.h"
#include "base/library.h"

namespace corvel {

namespace {

// libcrypto's digest functions, loaded on first use. The algorithm is fetched
// once and one context serves every digest: both are costly to make.
struct Digester {
  decltype(&EVP_DigestInit_ex2) init = nullptr;
  decltype(&EVP_DigestUpdate) update = nullptr;
  decltype(&EVP_DigestFinal_ex) final = nullptr;
  EVP_MD* md5 = nullptr;
  EVP_MD_CTX* context = nullptr;
};

const Digester& digester() {
  static const Digester instance = [] {
    constexpr const char* kPurpose = "md5";
    void* library = requireLibrary(
        "libcrypto.so." + std::to_string(OPENSSL_VERSION_MAJOR), kPurpose);
    Digester d;
    d.init = requireFunction<decltype(&EVP_DigestInit_ex2)>(
        library, "EVP_DigestInit_ex2", kPurpose);
    d.update = requireFunction<decltype(&EVP_DigestUpdate)>(
        library, "EVP_DigestUpdate", kPurpose);
    d.final = requireFunction<decltype(&EVP_DigestFinal_ex)>(
        library, "EVP_DigestFinal_ex", kPurpose);
    auto fetch = requireFunction<decltype(&EVP_MD_fetch)>(
        library, "EVP_MD_fetch", kPurpose);
    auto newContext = requireFunction<decltype(&EVP_MD_CTX_new)>(
        library, "EVP_MD_CTX_new", kPurpose);
    d.md5 = fetch(nullptr, "MD5", nullptr);
    d.context = newContext();
    if (d.md5 == nullptr || d.context == nullptr)
      fail("Cannot set up MD5 in libcrypto\n", 1);
    return d;
  }();
  return instance;
}

}  // namespace

void Hash::md5(std::string_view text, std::string& out) const {
  const Digester& d = digester();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (d.init(d.context, d.md5, nullptr) != 1 ||
      d.update(d.context, text.data(), text.size()) != 1 ||
      d.final(d.context, digest, &length) != 1) {
    fail("MD5 digest failed in libcrypto\n", 1);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  out.resize(2 * std::size_t{length});
  for (unsigned int i = 0; i < length; ++i) {
    out[2 * i] = kHex[digest[i] >> 4];
    out[2 * i + 1] = kHex[digest[i] & 0xF];
  }
}

}  // namespace corvel
