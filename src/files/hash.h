// Hash: MD5 digests of text, written in hexadecimal.
#pragma once

#include <string>
#include <string_view>

namespace corvel {

class Hash {
 public:
  // Returns the MD5 digest of the bytes of `text` as 32 lower-case hexadecimal
  // digits.
  std::string md5(std::string_view text) const;
};

}  // namespace corvel
