// Places in a script for tools: lines, and columns counted in bytes and in the
// UTF-16 units that editors count.
#include "analysis/source_map.h"

#include <algorithm>

#include "base/text.h"

namespace corvel {

SourceMap::SourceMap(std::string_view source) : source_(source) {
  starts_.push_back(0);
  for (std::size_t i = 0; i < source.size(); ++i) {
    char c = source[i];
    if (c == '\n' ||
        (c == '\r' && (i + 1 == source.size() || source[i + 1] != '\n')))
      starts_.push_back(i + 1);
  }
}

std::uint32_t SourceMap::lineOf(std::size_t offset) const {
  auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<std::uint32_t>(after - starts_.begin() - 1);
}

std::size_t SourceMap::lineStart(std::uint32_t line) const {
  return line < starts_.size() ? starts_[line] : source_.size();
}

std::size_t SourceMap::lineEnd(std::uint32_t line) const {
  if (line >= starts_.size()) return source_.size();
  std::size_t end =
      line + 1 < starts_.size() ? starts_[line + 1] : source_.size();
  if (end > starts_[line] && source_[end - 1] == '\n') --end;
  if (end > starts_[line] && source_[end - 1] == '\r') --end;
  return end;
}

Place SourceMap::place(std::size_t offset) const {
  offset = std::min(offset, source_.size());
  Place place;
  place.line = lineOf(offset);
  std::size_t start = starts_[place.line];
  std::string_view before = source_.substr(start, offset - start);
  place.byteColumn = static_cast<std::uint32_t>(before.size());
  place.utf16Column = static_cast<std::uint32_t>(utf16Length(before));
  return place;
}

std::size_t SourceMap::offsetAt(std::uint32_t line,
                                std::uint32_t column) const {
  if (line >= starts_.size()) return source_.size();
  std::size_t start = starts_[line];
  std::string_view text = source_.substr(start, lineEnd(line) - start);
  return start + seekUnit(text, {}, column).byte;
}

}  // namespace corvel
