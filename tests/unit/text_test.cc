#include "base/text.h"

#include <gtest/gtest.h>

#include "base/console.h"

namespace corvel {
namespace {

TEST(Text, ReadsIntegersLikeScriptsExpect) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"-7x", -7},
      {"  \t+42", 42},
      {"-", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
      {"{[a]}", 0},
      {"\n5", 5},
      {"0042", 42},
  };
  for (const auto& [text, value] : cases)
    EXPECT_EQ(readInteger(text), value) << text;
}

TEST(Text, TellsWhenANumberSaturates) {
  // The bounds themselves fit; one past either does not, and neither does a
  // long run of digits, whatever follows it.
  const std::pair<std::string, bool> cases[] = {
      {"2147483647", false},
      {"2147483648", true},
      {"-2147483648", false},
      {"-2147483649", true},
      {" +99999999999x", true},
      {"0000000000002147483647", false},
      {"-0", false},
      {"", false},
      {"12abc", false},
      {"-18446744073709551616", true},
  };
  for (const auto& [text, saturates] : cases) {
    bool saturated = !saturates;
    std::int32_t value = readInteger(text, saturated);
    EXPECT_EQ(saturated, saturates) << text;
    EXPECT_EQ(value, readInteger(text)) << text;
  }
}

TEST(Text, CountsAndCutsUtf16Units) {
  const std::string emoji = "\xF0\x9F\x98\x80";  // U+1F600, two units
  EXPECT_EQ(utf16Length("abc"), 3);
  EXPECT_EQ(utf16Length("\xC3\xA9t\xC3\xA9"), 3);
  EXPECT_EQ(utf16Length("a" + emoji), 3);
  EXPECT_EQ(utf16Length("a\xFF"), 2);
  EXPECT_EQ(utf16Substring("abcdef", 1, 4), "bcd");
  EXPECT_EQ(utf16Substring("\xC3\xA9t\xC3\xA9", 1, 3), "t\xC3\xA9");
  EXPECT_EQ(utf16Substring("a" + emoji + "b", 0, 3), "a" + emoji);
  EXPECT_EQ(utf16Substring("a" + emoji + "b", 0, 2), "a\xEF\xBF\xBD");
  EXPECT_EQ(utf16Substring("a" + emoji + "b", 2, 4),
            "\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(utf16Substring("a" + emoji + "b", 2, 2), "");
}

TEST(Text, MapsCaseWithoutLocale) {
  EXPECT_EQ(toUpperCase("stra\xC3\x9F"
                        "e"),
            "STRASSE");
  EXPECT_EQ(toLowerCase("HeLLo \xCE\x91\xCE\x92"), "hello \xCE\xB1\xCE\xB2");
  EXPECT_EQ(toUpperCase("123 !"), "123 !");
}

TEST(Text, MapsHugeTextsInPiecesWithoutLosingContext) {
  // A final sigma right after a cut lower-cases as a final sigma only when the
  // cut does not separate it from its word.
  std::string sigma = "\xCE\xA3";  // capital sigma
  std::string text = "AB " + std::string(20, 'X') + " OD" + sigma + " Z";
  std::string whole = toLowerCase(text);
  for (std::size_t piece = 4; piece < text.size(); ++piece)
    EXPECT_EQ(mapCaseInPieces(text, false, piece), whole) << piece;
  // A run of broken bytes at the cut never stops the mapping from advancing.
  std::string broken = "\xC3\xA9" + std::string(6, '\x80') + "\xC3\xA9";
  for (std::size_t piece = 1; piece < broken.size(); ++piece)
    EXPECT_EQ(mapCaseInPieces(broken, true, piece).size(),
              toUpperCase(broken).size())
        << piece;
}

TEST(Text, FindsTheOneByteThatIsNotAsciiWhereverItStands) {
  // Runs are read eight bytes at a time, the last eight again where they
  // overlap: a byte at any place of any length must be seen.
  for (std::size_t length = 1; length <= 40; ++length) {
    std::string text(length, 'a');
    EXPECT_TRUE(isAscii(text)) << length;
    EXPECT_TRUE(isValidUtf8(text)) << length;
    EXPECT_TRUE(checkUtf8(text).ascii) << length;
    for (std::size_t at = 0; at < length; ++at) {
      std::string marked = text;
      marked[at] = '\x80';
      EXPECT_FALSE(isAscii(marked)) << length << " at " << at;
      EXPECT_FALSE(isValidUtf8(marked)) << length << " at " << at;
      if (at + 1 < length) {
        marked[at] = '\xC3';
        marked[at + 1] = '\xA9';
        EXPECT_FALSE(isAscii(marked)) << length << " at " << at;
        EXPECT_TRUE(isValidUtf8(marked)) << length << " at " << at;
        EXPECT_FALSE(checkUtf8(marked).ascii) << length << " at " << at;
      }
    }
  }
}

TEST(Text, ValidatesAndRepairsUtf8) {
  EXPECT_TRUE(isValidUtf8("plain \xC3\xA9"));
  EXPECT_FALSE(isValidUtf8("\xC3"));
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // an encoded surrogate
  EXPECT_EQ(repairUtf8("a\xFF"
                       "b"),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(Console, ChompTrimsTheSixCharactersAtBothEnds) {
  EXPECT_EQ(chomp("\tabc \r\n"), "abc");
  EXPECT_EQ(chomp("a b"), "a b");
  EXPECT_EQ(chomp("\x03x\x07"), "x");
  EXPECT_EQ(chomp(" \t\r\n"), std::nullopt);
  EXPECT_EQ(chomp(""), std::nullopt);
}

}  // namespace
}  // namespace corvel
