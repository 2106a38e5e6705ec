// Hash: MD5 digests of text, written in hexadecimal.
#include "files/hash.h"

#include <openssl/evp.h>

namespace corvel {

std::string Hash::md5(std::string_view text) const {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * std::size_t{length});
  for (unsigned int i = 0; i < length; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0xF];
  }
  return out;
}

}  // namespace corvel
