// Text helpers: every place that counts, cuts, validates, maps or reads numbers
// out of a string uses these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

// Returns whether every byte of `text` is below 0x80.
bool isAscii(std::string_view text);

// Returns whether `bytes` is well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);
// The same, also telling whether every byte is below 0x80, which the check
// finds out on the way.
struct Utf8Check {
  bool valid;
  bool ascii;
};
Utf8Check checkUtf8(std::string_view bytes);

// Returns the length of `text` in UTF-16 code units: a character beyond the
// Basic Multilingual Plane counts 2. A byte that is not part of well-formed
// UTF-8 counts 1. The count saturates at 2147483647.
std::int32_t utf16Length(std::string_view text);

// A place in a text: the number of UTF-16 units before it and the byte where
// the character holding the next unit starts.
struct TextPosition {
  std::int64_t unit = 0;
  std::size_t byte = 0;
};

// Returns the position of the character that holds unit `unit` of `text`,
// walking from `from`, a character boundary at or before it (so a caller that
// remembers where its last cut was walks only the distance between cuts).
// Beyond the end it gives the end.
TextPosition seekUnit(std::string_view text, TextPosition from,
                      std::int64_t unit);

// Returns the UTF-16 units `from` (inclusive) to `to` (exclusive) of `text`, as
// UTF-8, walking from `hint` (see seekUnit). The caller guarantees 0 <= `from`
// <= `to` <= utf16Length(`text`). A surrogate pair cut in half gives U+FFFD for
// the half that is kept; bytes that are not well-formed UTF-8 are copied
// unchanged. `start`, when given, receives the position of unit `from`.
std::string utf16Substring(std::string_view text, std::int64_t from,
                           std::int64_t to, TextPosition hint = {},
                           TextPosition* start = nullptr);

// Returns `text` upper-cased (or lower-cased) with Unicode's full,
// locale-independent mapping. ASCII text needs no library; other text loads
// ICU on first use.
std::string toUpperCase(std::string_view text);
std::string toLowerCase(std::string_view text);
// The same mapping done in pieces of at most `piece` bytes, as texts too large
// for the library's 32-bit lengths are; exposed so that tests can use small
// pieces.
std::string mapCaseInPieces(std::string_view text, bool upper,
                            std::size_t piece);

// Reads a decimal integer the way scripts expect: leading white space skipped,
// an optional sign, then digits up to the first other character. No digits give
// 0; digits beyond the 32-bit range saturate at the nearest bound.
std::int32_t readInteger(std::string_view text);
// The same, telling in `saturated` whether the digits went beyond the range.
std::int32_t readInteger(std::string_view text, bool& saturated);

// Appends `value` in decimal to `out`.
void appendDecimal(std::string& out, std::int32_t value);

// Returns `text` decoded as UTF-8 with every ill-formed sequence replaced by
// U+FFFD.
std::string repairUtf8(std::string_view text);

// Whether `c` is one of the characters `chomp` trims: line feed, carriage
// return, blank, tab and the characters 3 and 7.
constexpr bool isTrimmed(char c) {
  return c == '\n' || c == '\r' || c == ' ' || c == 3 || c == '\t' || c == 7;
}

}  // namespace corvel
