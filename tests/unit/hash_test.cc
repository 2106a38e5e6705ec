#include "files/hash.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

std::string alphabet(std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i)
    text += static_cast<char>('a' + i % 26);
  return text;
}

TEST(Hash, Md5GivesTheDigestsOfRfc1321) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567"
       "8901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {"h\xC3\xA9llo \xE2\x98\x83", "ef3e44ec264a71ab40ccc920b794ebae"},
  };
  for (const auto& [text, digest] : cases)
    EXPECT_EQ(Hash().md5(text), digest) << text;
}

TEST(Hash, Md5PadsAtEveryLengthAroundABlock) {
  // The length goes in the last 8 bytes of a 64-byte block: texts of 56 bytes
  // and more need a second block for it.
  const std::pair<std::size_t, const char*> cases[] = {
      {55, "0d7ae056b2f015cd7dc67494efd658f1"},
      {56, "31fcfb5165169eb55898e7e4cf34d19a"},
      {63, "1b30c0670c15e7da3c2ba7bce77ebe99"},
      {64, "a2eaf6295c32adc403865fd96a2f182b"},
      {65, "eba2cce0ca8df47e62414a736b3105a2"},
      {119, "b05187e08da41fa3ef16bd56afaafd99"},
      {120, "62af9b597a9f55e16ab2b897387fc052"},
      {1000, "303fb697b589019cb3edba04b794e575"},
  };
  for (const auto& [length, digest] : cases)
    EXPECT_EQ(Hash().md5(alphabet(length)), digest) << length << " bytes";
}

}  // namespace
}  // namespace corvel
