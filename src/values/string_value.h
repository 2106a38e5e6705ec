// StringValue: a string as variables and elements hold it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/text.h"

namespace corvel {

// A string as variables and elements hold it. Stored strings are never changed
// where another holder could see it, so a copy shares the bytes and costs the
// same whatever the length: `set $c $line` does not copy the line. Short
// strings sit inside the value itself. A long string remembers whether it is
// ASCII, its length in UTF-16 units once counted, and where its latest cut by
// units began, so walking a text character by character never rescans it.
//
// The absent string (no string at all, which reading a file that is not open
// gives) is a value of its own, distinct from the empty string; read as text
// it is empty.
class StringValue {
 public:
  // The empty string.
  StringValue() noexcept { std::memset(bytes_, 0, sizeof bytes_); }
  explicit StringValue(std::string_view bytes);
  static StringValue absent() noexcept {
    StringValue value;
    value.bytes_[kSmall] = static_cast<char>(kAbsentTag);
    return value;
  }

  // Copies share a long string's block; they are inline, as scripts copy
  // strings on every `set`.
  StringValue(const StringValue& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    if (isLong()) ++rep()->refs;
  }
  StringValue(StringValue&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    std::memset(other.bytes_, 0, sizeof other.bytes_);
  }
  [[gnu::always_inline]] StringValue& operator=(
      const StringValue& other) noexcept {
    if (!isLong() && !other.isLong()) {
      // Through a copy, since `other` may be this very string.
      char bytes[sizeof bytes_];
      std::memcpy(bytes, other.bytes_, sizeof bytes);
      std::memcpy(bytes_, bytes, sizeof bytes_);
      return *this;
    }
    if (this != &other) {
      if (other.isLong()) ++other.rep()->refs;
      release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    }
    return *this;
  }
  StringValue& operator=(StringValue&& other) noexcept {
    if (this != &other) {
      release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      std::memset(other.bytes_, 0, sizeof other.bytes_);
    }
    return *this;
  }
  ~StringValue() { release(); }

  // A string of `size` bytes that `fill(char* out)` writes where they stay, so
  // that a long text made piece by piece is never held twice.
  template <typename Fill>
  static StringValue filled(std::size_t size, Fill&& fill) {
    StringValue value;
    if (size <= kSmall) {
      fill(value.bytes_);
      value.bytes_[kSmall] = static_cast<char>(size);
    } else {
      Rep* r = allocate(size);
      fill(r->data());
      r->size = size;
      value.setLong(r);
    }
    return value;
  }

  bool isAbsent() const { return tag() == kAbsentTag; }
  // Whether the bytes sit inside the value itself (a short string, the empty
  // or the absent one), so that a copy is the value's own bytes and no more.
  bool isInline() const { return !isLong(); }
  // Whether `other` is this very text, known without reading it: the same
  // short string, or a long one whose bytes both share. Equal long strings
  // made apart are not identical.
  bool identical(const StringValue& other) const {
    return std::memcmp(bytes_, other.bytes_, sizeof bytes_) == 0;
  }
  // A hash of what `identical` compares: identical strings hash alike.
  std::uint64_t identityHash() const {
    std::uint64_t low;
    std::uint64_t high;
    std::memcpy(&low, bytes_, sizeof low);
    std::memcpy(&high, bytes_ + sizeof low, sizeof high);
    return (low ^ (high * 0x9E3779B97F4A7C15u)) * 0xBF58476D1CE4E5B9u;
  }
  std::string_view view() const {
    if (isLong()) {
      const Rep* r = rep();
      return {r->data(), r->size};
    }
    return {bytes_, tag() == kAbsentTag ? std::size_t{0} : std::size_t{tag()}};
  }
  std::size_t size() const { return view().size(); }
  // Whether both hold the same text; the absent string equals no text, not
  // even itself.
  bool sameText(const StringValue& other) const {
    // Short strings are equal exactly when their bytes are.
    if (!isLong() && !other.isLong()) return identical(other) && !isAbsent();
    return !isAbsent() && !other.isAbsent() && view() == other.view();
  }

  // The length in UTF-16 units (0 for the absent string), counted once.
  std::int32_t utf16Length() const {
    if (isLong() && rep()->units >= 0) return rep()->units;
    return countUtf16Length();
  }
  // Whether every byte is ASCII, found out once.
  bool isAscii() const {
    if (isLong() && rep()->ascii >= 0) return rep()->ascii == 1;
    return findAscii();
  }
  // Units `from` (inclusive) to `to` (exclusive), as for utf16Substring; the
  // caller guarantees 0 <= `from` <= `to` <= utf16Length(). The absent string
  // stays absent.
  StringValue utf16Slice(std::int32_t from, std::int32_t to) const;

  // Upper-cases (or lower-cases) an ASCII string where it lies when nothing
  // else holds its bytes; false, changing nothing, for any other text.
  bool mapAsciiCase(bool upper);
  // Keeps units `from` to `to` as utf16Slice does, in place when nothing else
  // holds these bytes.
  void keepUtf16Units(std::int32_t from, std::int32_t to);
  // Becomes `text.utf16Slice(from, to)`; `text` is another value.
  void assignUtf16Slice(const StringValue& text, std::int32_t from,
                        std::int32_t to) {
    // A character or a word cut out of a line, as a walk through a text does
    // at every step: the piece goes straight into this value.
    if (text.isLong() && text.rep()->ascii == 1 &&
        to - from <= std::int32_t{kSmall}) {
      release();
      setPiece(text.rep()->data() + from, static_cast<std::size_t>(to - from));
      return;
    }
    *this = text.utf16Slice(from, to);
  }

  // Appends `more`, in place when nothing else holds these bytes. The absent
  // string becomes `more`. `more` may be a view of this very string.
  void append(std::string_view more);
  // Replaces the bytes with `bytes`, reusing the storage when nothing else
  // holds it. `bytes` must not be a view of this string.
  void assign(std::string_view bytes);
  // The same, told whether the bytes are all ASCII, as a check of a line read
  // finds out: known ASCII need not be looked at again to be measured or cut.
  void assign(std::string_view bytes, bool ascii) {
    assign(bytes);
    if (ascii && isLong()) {
      Rep* r = rep();
      r->ascii = 1;
      r->units = static_cast<std::int32_t>(
          std::min<std::size_t>(r->size, 0x7FFFFFFF));
    }
  }

 private:
  // A long string's shared storage; the bytes follow it in the same block.
  struct Rep {
    std::size_t refs;
    std::size_t size;
    std::size_t capacity;
    std::int32_t units;  // -1 until counted
    std::int8_t ascii;   // -1 until known
    TextPosition cursor;  // where the latest cut by units began
    char* data() { return reinterpret_cast<char*>(this + 1); }
    const char* data() const { return reinterpret_cast<const char*>(this + 1); }
  };

  static constexpr std::size_t kSmall = 15;
  static constexpr unsigned char kLongTag = 0xFF;
  static constexpr unsigned char kAbsentTag = 0xFE;

  unsigned char tag() const {
    return static_cast<unsigned char>(bytes_[kSmall]);
  }
  Rep* rep() const {
    Rep* r;
    std::memcpy(&r, bytes_, sizeof r);
    return r;
  }
  bool isLong() const { return tag() == kLongTag; }
  static Rep* allocate(std::size_t capacity);
  void release() noexcept {
    if (isLong()) {
      Rep* r = rep();
      if (--r->refs == 0) destroy(r);
    }
  }
  static void destroy(Rep* rep) noexcept;
  void setSmall(std::string_view bytes);
  // setSmall for a piece of at most kSmall bytes, without a call to copy it.
  void setPiece(const char* bytes, std::size_t size) {
    std::memset(bytes_, 0, sizeof bytes_);
    for (std::size_t i = 0; i < size; ++i) bytes_[i] = bytes[i];
    bytes_[kSmall] = static_cast<char>(size);
  }
  void setLong(Rep* rep);
  std::int32_t countUtf16Length() const;
  bool findAscii() const;

  // A short string's bytes with its length in the last byte; a long string's
  // Rep pointer at the front with kLongTag in the last byte. Every other byte
  // is 0, so that equal short strings are equal byte for byte (`identical`).
  alignas(8) char bytes_[kSmall + 1];
};

}  // namespace corvel
