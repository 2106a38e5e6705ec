// Text helpers: every place that counts, cuts, validates, maps or reads numbers
// out of a string uses these.
#include "base/text.h"

#include <unicode/ucasemap.h>
#include <unicode/utf8.h>
#include <unicode/utypes.h>
#include <unicode/uvernum.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "base/fault.h"
#include "base/library.h"

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

// One step through a text: the bytes of the next character and its width in
// UTF-16 units. An ill-formed byte is a step of its own, one unit wide, with
// `broken` set.
struct Step {
  std::size_t length;
  int units;
  bool broken;
};

Step stepAt(std::string_view text, std::size_t position) {
  if (static_cast<std::uint8_t>(text[position]) < 0x80) return {1, 1, false};
  std::size_t length;
  UChar32 c = decodeAt(text, position, length);
  // A broken sequence may span several bytes; they are kept one by one.
  if (c < 0) return {1, 1, true};
  return {length, c > 0xFFFF ? 2 : 1, false};
}

// The case-mapping functions of ICU's C library, loaded when a script first
// changes the case of text outside ASCII. The names carry the version suffix
// that the headers add to every C symbol.
#define CORVEL_SYMBOL_TEXT(name) #name
#define CORVEL_SYMBOL(name) CORVEL_SYMBOL_TEXT(name)

using CaseMapper = decltype(&ucasemap_utf8ToUpper);

struct CaseMapping {
  UCaseMap* map = nullptr;
  CaseMapper upper = nullptr;
  CaseMapper lower = nullptr;
  decltype(&u_errorName) errorName = nullptr;
  UErrorCode openStatus = U_ZERO_ERROR;
};

const CaseMapping& caseMapping() {
  static const CaseMapping mapping = [] {
    constexpr const char* kPurpose = "case mapping outside ASCII";
    void* library = requireLibrary(
        "libicuuc.so." + std::to_string(U_ICU_VERSION_MAJOR_NUM), kPurpose);
    auto open = requireFunction<decltype(&ucasemap_open)>(
        library, CORVEL_SYMBOL(ucasemap_open), kPurpose);
    CaseMapping result;
    result.upper = requireFunction<CaseMapper>(
        library, CORVEL_SYMBOL(ucasemap_utf8ToUpper), kPurpose);
    result.lower = requireFunction<CaseMapper>(
        library, CORVEL_SYMBOL(ucasemap_utf8ToLower), kPurpose);
    result.errorName = requireFunction<decltype(&u_errorName)>(
        library, CORVEL_SYMBOL(u_errorName), kPurpose);
    // The root locale: the mapping must not depend on the user's language
    // settings. The map lives as long as the process.
    result.map = open("", 0, &result.openStatus);
    if (U_FAILURE(result.openStatus)) result.map = nullptr;
    return result;
  }();
  return mapping;
}

#undef CORVEL_SYMBOL
#undef CORVEL_SYMBOL_TEXT

// Text that could not be mapped must not pass for mapped text.
[[noreturn]] void mappingFailed(const CaseMapping& mapping, UErrorCode status) {
  fail(std::string("Cannot change the case of the text: ") +
           mapping.errorName(status) + "\n",
       1);
}

// Appends `text` mapped by `mapper` to `out`; `text` is shorter than 2 GiB.
void mapPiece(const CaseMapping& mapping, CaseMapper mapper,
              std::string_view text, std::string& out) {
  UErrorCode status = U_ZERO_ERROR;
  const auto inLength = static_cast<int32_t>(text.size());
  std::size_t start = out.size();
  out.resize(start + text.size() + 16);
  int32_t needed = mapper(mapping.map, out.data() + start,
                          static_cast<int32_t>(out.size() - start), text.data(),
                          inLength, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out.resize(start + static_cast<std::size_t>(needed));
    needed = mapper(mapping.map, out.data() + start, needed, text.data(),
                    inLength, &status);
  }
  if (U_FAILURE(status)) mappingFailed(mapping, status);
  out.resize(start + static_cast<std::size_t>(needed));
}

// Where to end a piece of at most `limit` bytes of `text`. The mapping of a
// character may depend on its neighbours within a word (a final sigma), so the
// cut falls after a blank or line feed when one is near; otherwise between two
// characters. It is never 0, so every piece makes progress.
std::size_t pieceEnd(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  constexpr std::size_t kLookBack = 4096;
  std::size_t stop = limit > kLookBack ? limit - kLookBack : 0;
  for (std::size_t i = limit; i > stop; --i) {
    if (text[i - 1] == ' ' || text[i - 1] == '\n') return i;
  }
  std::size_t cut = limit;
  for (int back = 0; back < 3 && cut > 1 &&
                     (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80;
       ++back) {
    --cut;
  }
  return cut;
}

std::string mapAscii(std::string_view text, char from, char to) {
  std::string out(text);
  for (char& c : out) {
    if (c >= from && c <= to) c = static_cast<char>(c ^ 0x20);
  }
  return out;
}

// The library counts in 32-bit lengths, so huge texts go in pieces.
constexpr std::size_t kLibraryPiece = std::size_t{1} << 28;

}  // namespace

namespace {

// Whether the bytes `begin` .. `end`, at least eight, are ASCII: eight at
// a time, the last eight read again where they overlap, so no byte is looked
// at alone.
bool longRunIsAscii(const char* begin, const char* end) {
  std::uint64_t high = 0;
  std::uint64_t block;
  for (; end - begin > 8; begin += 8) {
    std::memcpy(&block, begin, 8);
    high |= block;
  }
  std::memcpy(&block, end - 8, 8);
  high |= block;
  return (high & 0x8080808080808080ULL) == 0;
}

}  // namespace

bool isAscii(std::string_view text) {
  const char* p = text.data();
  std::size_t n = text.size();
  // ASCII is most of what scripts handle.
  if (n >= 8) return longRunIsAscii(p, p + n);
  for (; n > 0; ++p, --n) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return true;
}

bool isValidUtf8(std::string_view bytes) { return checkUtf8(bytes).valid; }

Utf8Check checkUtf8(std::string_view bytes) {
  if (isAscii(bytes)) return {true, true};
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Skip ASCII eight bytes at a time.
    while (i + 8 <= bytes.size()) {
      std::uint64_t block;
      std::memcpy(&block, bytes.data() + i, 8);
      if ((block & 0x8080808080808080ULL) != 0) break;
      i += 8;
    }
    if (i == bytes.size()) break;
    if (static_cast<std::uint8_t>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    if (decodeAt(bytes, i, length) < 0) return {false, false};
    i += length;
  }
  return {true, false};
}

std::int32_t utf16Length(std::string_view text) {
  std::uint64_t units = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    Step step = stepAt(text, i);
    units += static_cast<std::uint64_t>(step.units);
    i += step.length;
  }
  constexpr auto kMax =
      static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(std::min(units, kMax));
}

TextPosition seekUnit(std::string_view text, TextPosition from,
                      std::int64_t unit) {
  TextPosition at = from;
  while (at.byte < text.size()) {
    Step step = stepAt(text, at.byte);
    if (at.unit + step.units > unit) break;
    at.unit += step.units;
    at.byte += step.length;
  }
  return at;
}

std::string utf16Substring(std::string_view text, std::int64_t from,
                           std::int64_t to, TextPosition hint,
                           TextPosition* start) {
  if (hint.unit > from) hint = TextPosition();
  TextPosition at = seekUnit(text, hint, from);
  if (start != nullptr) *start = at;
  std::string out;
  while (at.byte < text.size() && at.unit < to) {
    Step step = stepAt(text, at.byte);
    std::int64_t end = at.unit + step.units;
    if (at.unit >= from && end <= to) {
      out.append(text.substr(at.byte, step.length));
    } else if (step.units == 2 && ((at.unit < from && end <= to) ||
                                   (at.unit >= from && to < end))) {
      // Half of a surrogate pair falls inside the range.
      out.append(kReplacementCharacter);
    }
    at.unit = end;
    at.byte += step.length;
  }
  return out;
}

std::string mapCaseInPieces(std::string_view text, bool upper,
                            std::size_t piece) {
  const CaseMapping& mapping = caseMapping();
  CaseMapper mapper = upper ? mapping.upper : mapping.lower;
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    std::size_t cut = pieceEnd(text, piece);
    std::string_view part = text.substr(0, cut);
    if (mapping.map == nullptr) mappingFailed(mapping, mapping.openStatus);
    mapPiece(mapping, mapper, part, out);
    text.remove_prefix(cut);
  }
  return out;
}

std::string toUpperCase(std::string_view text) {
  if (isAscii(text)) return mapAscii(text, 'a', 'z');
  return mapCaseInPieces(text, true, kLibraryPiece);
}

std::string toLowerCase(std::string_view text) {
  if (isAscii(text)) return mapAscii(text, 'A', 'Z');
  return mapCaseInPieces(text, false, kLibraryPiece);
}

namespace {

template <bool Track>
std::int32_t readDecimal(std::string_view text, bool* saturated) {
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
    if constexpr (Track) *saturated = magnitude > kLimit + 1;
    return magnitude > kLimit ? std::numeric_limits<std::int32_t>::min()
                              : static_cast<std::int32_t>(-magnitude);
  }
  if constexpr (Track) *saturated = magnitude > kLimit;
  return magnitude > kLimit ? std::numeric_limits<std::int32_t>::max()
                            : static_cast<std::int32_t>(magnitude);
}

}  // namespace

std::int32_t readInteger(std::string_view text) {
  return readDecimal<false>(text, nullptr);
}

std::int32_t readInteger(std::string_view text, bool& saturated) {
  return readDecimal<true>(text, &saturated);
}

void appendDecimal(std::string& out, std::int32_t value) {
  char digits[12];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

std::string repairUtf8(std::string_view text) {
  if (isValidUtf8(text)) return std::string(text);
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    Step step = stepAt(text, i);
    if (step.broken) {
      out.append(kReplacementCharacter);
    } else {
      out.append(text.substr(i, step.length));
    }
    i += step.length;
  }
  return out;
}

}  // namespace corvel
