// Hash: MD5 digests of text, written in hexadecimal.
#pragma once

#include <string>
#include <string_view>

namespace corvel {

class Hash {
 public:
  // Writes the MD5 digest of the bytes of `text` into `out` as 32 lower-case
  // hexadecimal digits, replacing what `out` held. libcrypto is loaded on the
  // first digest of the run.
  void md5(std::string_view text, std::string& out) const;
  std::string md5(std::string_view text) const {
    std::string out;
    md5(text, out);
    return out;
  }
};

}  // namespace corvel
