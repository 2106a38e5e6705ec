// Text helpers: every place that counts, cuts, validates or reads numbers out
// of a string uses these.
#include "values/text.h"

#include <unicode/ucasemap.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>

namespace corvel {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Decodes the character that starts at `position`, setting `length` to the
// bytes it takes; a negative result marks `length` ill-formed bytes. Only a
// few bytes are handed to the decoder, so texts of any size are safe.
UChar32 decodeAt(std::string_view text, std::size_t position,
                 std::size_t& length) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data() + position);
  auto window = static_cast<std::int32_t>(
      std::min<std::size_t>(text.size() - position, 4));
  std::int32_t i = 0;
  UChar32 c;
  U8_NEXT(s, i, window, c);
  length = static_cast<std::size_t>(i);
  return c;
}

// Calls `visit(begin, length, units)` for each character of `text`; an
// ill-formed byte is visited alone with `units` 0 so that callers can tell it
// from a character.
template <typename Visit>
void forEachCharacter(std::string_view text, Visit visit) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t length;
    UChar32 c = decodeAt(text, i, length);
    if (c < 0) {
      // A broken sequence may span several bytes; keep them one by one.
      for (std::size_t k = i; k < i + length; ++k) visit(k, 1, 0);
    } else {
      visit(i, length, c > 0xFFFF ? 2 : 1);
    }
    i += length;
  }
}

using CaseMapper = int32_t (*)(const UCaseMap*, char*, int32_t, const char*,
                               int32_t, UErrorCode*);

// Appends `text` mapped by `mapper` to `out`; `text` is shorter than 2 GiB.
bool mapChunk(const UCaseMap* map, CaseMapper mapper, std::string_view text,
              std::string& out) {
  UErrorCode status = U_ZERO_ERROR;
  const auto inLength = static_cast<int32_t>(text.size());
  std::size_t start = out.size();
  out.resize(start + text.size() + 16);
  int32_t needed =
      mapper(map, out.data() + start, static_cast<int32_t>(out.size() - start),
             text.data(), inLength, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out.resize(start + static_cast<std::size_t>(needed));
    needed =
        mapper(map, out.data() + start, needed, text.data(), inLength, &status);
  }
  if (U_FAILURE(status)) return false;
  out.resize(start + static_cast<std::size_t>(needed));
  return true;
}

std::string mapCase(std::string_view text, CaseMapper mapper) {
  UErrorCode status = U_ZERO_ERROR;
  // The root locale: the mapping must not depend on the user's language
  // settings.
  std::unique_ptr<UCaseMap, decltype(&ucasemap_close)> map(
      ucasemap_open("", 0, &status), &ucasemap_close);
  if (U_FAILURE(status)) return std::string(text);
  // The mapper counts in 32-bit lengths: huge texts go in pieces cut between
  // characters.
  constexpr std::size_t kChunk = std::size_t{1} << 28;
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    std::size_t cut = std::min(text.size(), kChunk);
    while (cut < text.size() && cut > 0 &&
           (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80) {
      --cut;
    }
    if (!mapChunk(map.get(), mapper, text.substr(0, cut), out)) {
      out.append(text.substr(0, cut));
    }
    text.remove_prefix(cut);
  }
  return out;
}

// Most script text is ASCII; these fast paths give the same results as the
// general ones would.
bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string mapAscii(std::string_view text, char from, char to) {
  std::string out(text);
  for (char& c : out) {
    if (c >= from && c <= to) c = static_cast<char>(c ^ 0x20);
  }
  return out;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    if (decodeAt(bytes, i, length) < 0) return false;
    i += length;
  }
  return true;
}

std::int32_t utf16Length(std::string_view text) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t i = 0;
  // ASCII dominates script text; count it without decoding.
  while (i < text.size() && s[i] < 0x80) ++i;
  std::uint64_t units = i;
  if (i < text.size()) {
    forEachCharacter(text.substr(i), [&](std::size_t, std::size_t, int count) {
      units += count == 0 ? 1 : static_cast<std::uint64_t>(count);
    });
  }
  constexpr auto kMax =
      static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(std::min(units, kMax));
}

std::string utf16Substring(std::string_view text, std::int32_t from,
                           std::int32_t to) {
  if (isAscii(text)) {
    return std::string(text.substr(static_cast<std::size_t>(from),
                                   static_cast<std::size_t>(to - from)));
  }
  std::string out;
  std::int64_t position = 0;
  forEachCharacter(text, [&](std::size_t begin, std::size_t length, int units) {
    std::int64_t width = units == 0 ? 1 : units;
    std::int64_t end = position + width;
    if (position >= from && end <= to) {
      out.append(text.substr(begin, length));
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
  if (isAscii(text)) return mapAscii(text, 'a', 'z');
  return mapCase(text, &ucasemap_utf8ToUpper);
}

std::string toLowerCase(std::string_view text) {
  if (isAscii(text)) return mapAscii(text, 'A', 'Z');
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
  forEachCharacter(text, [&](std::size_t begin, std::size_t length, int units) {
    if (units == 0) {
      out.append(kReplacementCharacter);
    } else {
      out.append(text.substr(begin, length));
    }
  });
  return out;
}

}  // namespace corvel
