// StringValue: a string as variables and elements hold it.
#include "values/string_value.h"

#include <algorithm>
#include <new>

#include "base/sandbox.h"

namespace corvel {

StringValue::Rep* StringValue::allocate(std::size_t capacity) {
  // A failed allocation reaches the run's out-of-memory handler through
  // operator new; the sandbox fails one past its limit the same way.
  checkValueSize(capacity);
  void* block = ::operator new(sizeof(Rep) + capacity);
  Rep* rep = new (block) Rep;
  rep->refs = 1;
  rep->size = 0;
  rep->capacity = capacity;
  rep->units = -1;
  rep->ascii = -1;
  rep->cursor = TextPosition();
  return rep;
}

void StringValue::destroy(Rep* rep) noexcept {
  rep->~Rep();
  ::operator delete(static_cast<void*>(rep));
}

void StringValue::setSmall(std::string_view bytes) {
  std::memset(bytes_, 0, sizeof bytes_);
  if (!bytes.empty()) std::memcpy(bytes_, bytes.data(), bytes.size());
  bytes_[kSmall] = static_cast<char>(bytes.size());
}

void StringValue::setLong(Rep* r) {
  std::memset(bytes_, 0, sizeof bytes_);
  std::memcpy(bytes_, &r, sizeof r);
  bytes_[kSmall] = static_cast<char>(kLongTag);
}

StringValue::StringValue(std::string_view bytes) {
  if (bytes.size() <= kSmall) {
    setSmall(bytes);
    return;
  }
  Rep* r = allocate(bytes.size());
  std::memcpy(r->data(), bytes.data(), bytes.size());
  r->size = bytes.size();
  setLong(r);
}

std::int32_t StringValue::countUtf16Length() const {
  if (!isLong()) {
    std::string_view bytes = view();
    return isAscii() ? static_cast<std::int32_t>(bytes.size())
                     : corvel::utf16Length(bytes);
  }
  Rep* r = rep();
  if (r->units < 0) {
    std::string_view bytes(r->data(), r->size);
    r->units = isAscii() ? static_cast<std::int32_t>(
                               std::min<std::size_t>(bytes.size(), 0x7FFFFFFF))
                         : corvel::utf16Length(bytes);
  }
  return r->units;
}

bool StringValue::findAscii() const {
  if (!isLong()) return corvel::isAscii(view());
  Rep* r = rep();
  if (r->ascii < 0) r->ascii = corvel::isAscii({r->data(), r->size}) ? 1 : 0;
  return r->ascii == 1;
}

StringValue StringValue::utf16Slice(std::int32_t from, std::int32_t to) const {
  if (isAbsent()) return absent();
  std::string_view bytes = view();
  if (isAscii()) {
    return StringValue(bytes.substr(static_cast<std::size_t>(from),
                                    static_cast<std::size_t>(to - from)));
  }
  if (!isLong()) return StringValue(utf16Substring(bytes, from, to));
  // Start from where the previous cut began, so that cutting one character
  // after another walks the text once in all.
  Rep* r = rep();
  TextPosition start;
  StringValue result(utf16Substring(bytes, from, to, r->cursor, &start));
  r->cursor = start;
  return result;
}

bool StringValue::mapAsciiCase(bool upper) {
  if (isAbsent() || !isAscii()) return false;
  if (isLong() && rep()->refs > 1) *this = StringValue(view());
  char* bytes = isLong() ? rep()->data() : bytes_;
  std::size_t size = view().size();
  char from = upper ? 'a' : 'A';
  char to = upper ? 'z' : 'Z';
  // Case mapping of ASCII keeps every byte ASCII and the length the same, so
  // what is known of the string stays true.
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] >= from && bytes[i] <= to)
      bytes[i] = static_cast<char>(bytes[i] ^ 0x20);
  }
  return true;
}

void StringValue::keepUtf16Units(std::int32_t from, std::int32_t to) {
  if (isAbsent()) return;
  if (isLong() && rep()->refs > 1 && to - from <= std::int32_t{kSmall} &&
      isAscii()) {
    // A character or a word cut out of a line that another variable holds,
    // as a walk through a text does at every step: the piece is copied
    // straight into the value, and the other holder keeps the block alive.
    Rep* r = rep();
    --r->refs;
    setPiece(r->data() + from, static_cast<std::size_t>(to - from));
    return;
  }
  if (!isLong() || rep()->refs > 1 || !isAscii()) {
    *this = utf16Slice(from, to);
    return;
  }
  Rep* r = rep();
  auto start = static_cast<std::size_t>(from);
  auto size = static_cast<std::size_t>(to - from);
  if (start > 0) std::memmove(r->data(), r->data() + start, size);
  r->size = size;
  r->units = to - from;
  r->cursor = TextPosition();
}

void StringValue::append(std::string_view more) {
  // Through assign, so that no string is made on this function's own stack,
  // which would give every append the frame and check of a protected one.
  if (isAbsent()) {
    assign(more);
    return;
  }
  if (more.empty()) return;
  std::string_view current = view();
  std::size_t size = current.size() + more.size();
  if (!isLong()) {
    if (size <= kSmall) {
      std::memmove(bytes_ + current.size(), more.data(), more.size());
      bytes_[kSmall] = static_cast<char>(size);
      return;
    }
  } else {
    Rep* r = rep();
    if (r->refs == 1 && size <= r->capacity) {
      // `more` may lie inside these very bytes, which stay where they are.
      std::memmove(r->data() + r->size, more.data(), more.size());
      // The last cut may have begun inside a sequence that was incomplete
      // and that these bytes complete: that place is no character boundary
      // any more. Earlier places stay what they were.
      if (r->cursor.byte + 4 > r->size) r->cursor = TextPosition();
      r->size = size;
      if (r->ascii == 1 && !corvel::isAscii(more)) r->ascii = 0;
      r->units = -1;
      return;
    }
  }
  // A new block, grown geometrically so that appending in a loop stays linear;
  // the growth stays within the sandbox's limit, so that only the length
  // decides whether a string is too long.
  std::size_t capacity =
      std::max(size, std::min(2 * current.size(), sandbox.maxValueBytes));
  Rep* grown = allocate(capacity);
  std::memcpy(grown->data(), current.data(), current.size());
  std::memcpy(grown->data() + current.size(), more.data(), more.size());
  grown->size = size;
  release();
  setLong(grown);
}

void StringValue::assign(std::string_view bytes) {
  if (isLong()) {
    Rep* r = rep();
    if (r->refs == 1 && bytes.size() <= r->capacity && bytes.size() > kSmall) {
      std::memcpy(r->data(), bytes.data(), bytes.size());
      r->size = bytes.size();
      r->units = -1;
      r->ascii = -1;
      r->cursor = TextPosition();
      return;
    }
  }
  *this = StringValue(bytes);
}

}  // namespace corvel
