// The framing of the Language Server Protocol: messages as a header of
// `Name: value` lines, a blank line and a body of Content-Length bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

// One thing read from the stream: a body, or a fault in the framing after
// which reading goes on with the next header.
struct Frame {
  std::string body;
  // Empty for a body; otherwise what was wrong with the header.
  std::string fault;
};

// Reads framed messages from a byte source.
class MessageReader {
 public:
  // `read` fills up to `size` bytes of `buffer` and returns how many, 0 at the
  // end of the stream.
  using Source = std::function<std::size_t(char* buffer, std::size_t size)>;
  explicit MessageReader(Source read) : read_(std::move(read)) {}

  // The longest body taken in; a longer one is skipped as a fault.
  static constexpr std::size_t kLongestBody = std::size_t{1} << 30;

  // Returns the next message, or nothing at the end of the stream (a message
  // cut short by the end is dropped).
  std::optional<Frame> next();

 private:
  // Makes at least one more byte available; false at the end.
  bool fill();
  std::optional<std::string> headerLine();

  Source read_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool ended_ = false;
};

// Returns `body` framed for sending.
std::string frameMessage(std::string_view body);

}  // namespace corvel
