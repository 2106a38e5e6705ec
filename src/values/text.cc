// Text helpers: every place that counts, cuts, validates or reads numbers out
// of a string uses these.
#include "values/text.h"

#include <unicode/ucasemap.h>
#include <unicode/utf8.h>

#include <charconv>
#include <limits>
#include <memory>

namespace corvel {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Calls `visit(begin, length, units)` for each character of `text`; an
// ill-formed byte is visited alone with `units` 0 so that callers can tell it
// from a character.
template <typename Visit>
void forEachCharacter(std::string_view text, Visit visit) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  std::int32_t i = 0;
  while (i < length) {
    std::int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      // U8_NEXT may swallow several bytes of a broken sequence; keep them one
      // by one.
      for (std::int32_t k = start; k < i; ++k) visit(k, 1, 0);
    } else {
      visit(start, i - start, c > 0xFFFF ? 2 : 1);
    }
  }
}

using CaseMapper = int32_t (*)(const UCaseMap*, char*, int32_t, const char*,
                               int32_t, UErrorCode*);

std::string mapCase(std::string_view text, CaseMapper mapper) {
  UErrorCode status = U_ZERO_ERROR;
  // The root locale: the mapping must not depend on the user's language
  // settings.
  std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> map(
      ucasemap_open("", 0, &status), &ucasemap_close);
  if (U_FAILURE(status)) return std::string(text);
  std::string out(text.size() + 16, '\0');
  const auto inLength = static_cast<int32_t>(text.size());
  int32_t needed =
      mapper(map.get(), out.data(), static_cast<int32_t>(out.size()),
             text.data(), inLength, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out.assign(static_cast<std::size_t>(needed), '\0');
    needed =
        mapper(map.get(), out.data(), needed, text.data(), inLength, &status);
  }
  if (U_FAILURE(status)) return std::string(text);
  out.resize(static_cast<std::size_t>(needed));
  return out;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  std::int32_t i = 0;
  while (i < length) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::int32_t utf16Length(std::string_view text) {
  std::int32_t units = 0;
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t i = 0;
  // ASCII dominates script text; count it without decoding.
  while (i < text.size() && s[i] < 0x80) ++i;
  units = static_cast<std::int32_t>(i);
  if (i == text.size()) return units;
  forEachCharacter(text.substr(i),
                   [&](std::int32_t, std::int32_t, int characterUnits) {
                     units += characterUnits == 0 ? 1 : characterUnits;
                   });
  return units;
}

std::string utf16Substring(std::string_view text, std::int32_t from,
                           std::int32_t to) {
  std::string out;
  std::int32_t position = 0;
  forEachCharacter(
      text, [&](std::int32_t begin, std::int32_t length, int characterUnits) {
        std::int32_t width = characterUnits == 0 ? 1 : characterUnits;
        std::int32_t end = position + width;
        if (position >= from && end <= to) {
          out.append(text.substr(static_cast<std::size_t>(begin),
                                 static_cast<std::size_t>(length)));
        } else if (width == 2 &&
                   ((position < from && from < end && end <= to) ||
                    (position >= from && position < to && to < end))) {
          out.append(kReplacementCharacter);
        }
        position = end;
      });
  return out;
}

std::string toUpperCase(std::string_view text) {
  return mapCase(text, &ucasemap_utf8ToUpper);
}

std::string toLowerCase(std::string_view text) {
  return mapCase(text, &ucasemap_utf8ToLower);
}

std::int32_t readInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() &&
         (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate toward the sign so that the most negative value is reachable.
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude <= kLimit + 1) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (negative) {
    return magnitude > kLimit ? std::numeric_limits<std::int32_t>::min()
                              : static_cast<std::int32_t>(-magnitude);
  }
  return magnitude > kLimit ? std::numeric_limits<std::int32_t>::max()
                            : static_cast<std::int32_t>(magnitude);
}

void appendDecimal(std::string& out, std::int32_t value) {
  char digits[12];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

std::string repairUtf8(std::string_view text) {
  if (isValidUtf8(text)) return std::string(text);
  std::string out;
  forEachCharacter(text, [&](std::int32_t begin, std::int32_t length, int units) {
    if (units == 0) {
      out.append(kReplacementCharacter);
    } else {
      out.append(text.substr(static_cast<std::size_t>(begin),
                             static_cast<std::size_t>(length)));
    }
  });
  return out;
}

}  // namespace corvel
