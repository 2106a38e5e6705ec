// Text helpers: every place that counts, cuts, validates or reads numbers out
// of a string uses these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

// Returns whether `bytes` is well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// Returns the length of `text` in UTF-16 code units: a character beyond the
// Basic Multilingual Plane counts 2. A byte that is not part of well-formed
// UTF-8 counts 1.
std::int32_t utf16Length(std::string_view text);

// Returns the UTF-16 units `from` (inclusive) to `to` (exclusive) of `text`, as
// UTF-8. The caller guarantees 0 <= `from` <= `to` <= utf16Length(`text`). A
// surrogate pair cut in half gives U+FFFD for the half that is kept; bytes that
// are not well-formed UTF-8 are copied unchanged.
std::string utf16Substring(std::string_view text, std::int32_t from,
                           std::int32_t to);

// Returns `text` upper-cased (or lower-cased) with Unicode's full,
// locale-independent mapping.
std::string toUpperCase(std::string_view text);
std::string toLowerCase(std::string_view text);

// Reads a decimal integer the way scripts expect: leading white space skipped,
// an optional sign, then digits up to the first other character. No digits give
// 0; digits beyond the 32-bit range saturate at the nearest bound.
std::int32_t readInteger(std::string_view text);

// Appends `value` in decimal to `out`.
void appendDecimal(std::string& out, std::int32_t value);

// Returns `text` decoded as UTF-8 with every ill-formed sequence replaced by
// U+FFFD.
std::string repairUtf8(std::string_view text);

}  // namespace corvel
