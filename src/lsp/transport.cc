// The framing of the Language Server Protocol: messages as a header of
// `Name: value` lines, a blank line and a body of Content-Length bytes.
#include "lsp/transport.h"

#include <algorithm>
#include <cctype>

namespace corvel {

namespace {

// A header line longer than this is no header: it is dropped piece by piece
// rather than held.
constexpr std::size_t kLongestHeaderLine = 4096;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

}  // namespace

bool MessageReader::fill() {
  if (ended_) return false;
  if (position_ > 0 && position_ == buffer_.size()) {
    buffer_.clear();
    position_ = 0;
  }
  char chunk[1 << 16];
  std::size_t got = read_(chunk, sizeof chunk);
  if (got == 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, got);
  return true;
}

std::optional<std::string> MessageReader::headerLine() {
  std::string line;
  for (;;) {
    std::size_t feed = buffer_.find('\n', position_);
    std::size_t end = feed == std::string::npos ? buffer_.size() : feed;
    if (line.size() < kLongestHeaderLine)
      line.append(buffer_, position_,
                  std::min(end - position_, kLongestHeaderLine - line.size()));
    position_ = feed == std::string::npos ? buffer_.size() : feed + 1;
    if (feed != std::string::npos) break;
    if (!fill()) return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<Frame> MessageReader::next() {
  std::optional<std::size_t> length;
  std::string fault;
  bool sawHeader = false;
  for (;;) {
    std::optional<std::string> line = headerLine();
    if (!line) return std::nullopt;
    if (line->empty()) {
      // Blank lines before a header are taken as noise between messages.
      if (sawHeader) break;
      continue;
    }
    sawHeader = true;
    std::string_view text = *line;
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
      fault = "a header line without ':'";
      continue;
    }
    if (!equalsIgnoringCase(trimmed(text.substr(0, colon)), "Content-Length"))
      continue;
    std::string_view value = trimmed(text.substr(colon + 1));
    std::size_t number = 0;
    bool valid = !value.empty() && value.size() <= 12;
    for (char c : value) {
      if (c < '0' || c > '9') valid = false;
      if (valid) number = number * 10 + static_cast<std::size_t>(c - '0');
    }
    if (!valid) {
      fault = "a Content-Length that is no number";
      continue;
    }
    length = number;
  }
  if (!length) {
    return Frame{{}, fault.empty() ? "a header without Content-Length" : fault};
  }
  bool keep = *length <= kLongestBody;
  Frame frame;
  if (keep) frame.body.reserve(std::min(*length, std::size_t{1} << 20));
  std::size_t left = *length;
  while (left > 0) {
    if (position_ == buffer_.size() && !fill()) return std::nullopt;
    std::size_t take = std::min(left, buffer_.size() - position_);
    if (keep) frame.body.append(buffer_, position_, take);
    position_ += take;
    left -= take;
  }
  if (!keep) frame.fault = "a body longer than 1 GiB";
  return frame;
}

std::string frameMessage(std::string_view body) {
  std::string framed = "Content-Length: " + std::to_string(body.size());
  framed += "\r\n\r\n";
  framed += body;
  return framed;
}

}  // namespace corvel
