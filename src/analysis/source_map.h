// Places in a script for tools: lines, and columns counted in bytes and in the
// UTF-16 units that editors count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace corvel {

// A place in a script: its line and its column, both from 0.
struct Place {
  std::uint32_t line = 0;
  std::uint32_t byteColumn = 0;
  std::uint32_t utf16Column = 0;

  bool operator==(const Place&) const = default;
};

// The lines of a script. A line ends at a line feed, at a carriage return
// followed by one, or at a carriage return alone, as the loader reads them.
class SourceMap {
 public:
  // `source` must outlive the map.
  explicit SourceMap(std::string_view source);

  std::string_view source() const { return source_; }
  std::uint32_t lineCount() const {
    return static_cast<std::uint32_t>(starts_.size());
  }
  // The line (from 0) that holds byte `offset`; the end of the script is on
  // the last line.
  std::uint32_t lineOf(std::size_t offset) const;
  // Where line `line` starts, and where its text ends (before its line
  // break). A line past the last gives the end of the script.
  std::size_t lineStart(std::uint32_t line) const;
  std::size_t lineEnd(std::uint32_t line) const;
  // The place of byte `offset`, which is clamped to the script. An offset
  // inside a character counts the units of the character before it.
  Place place(std::size_t offset) const;
  // The byte at UTF-16 column `column` of line `line`: a column past the end
  // of the line gives its end, one inside a surrogate pair the start of its
  // character, and a line past the last the end of the script.
  std::size_t offsetAt(std::uint32_t line, std::uint32_t column) const;

 private:
  std::string_view source_;
  std::vector<std::size_t> starts_;
};

}  // namespace corvel
