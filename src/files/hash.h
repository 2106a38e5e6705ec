// Hash: MD5 digests of text, written in hexadecimal.
#pragma once

#include <string>
#include <string_view>

namespace corvel {

class Hash {
 public:
  static constexpr std::size_t kDigits = 32;
  // Writes the MD5 digest of the bytes of `text` into `out` as 32 lower-case
  // hexadecimal digits. libcrypto is loaded on the first digest of the run.
  void md5(std::string_view text, char (&out)[kDigits]) const;
  std::string md5(std::string_view text) const {
    char digits[kDigits];
    md5(text, digits);
    return std::string(digits, kDigits);
  }
};

}  // namespace corvel
