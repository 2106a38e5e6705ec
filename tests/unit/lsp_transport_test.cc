#include <gtest/gtest.h>

#include "lsp/document.h"
#include "lsp/server.h"
#include "lsp/transport.h"

namespace corvel {
namespace {

// A reader over `bytes`, handed out `chunk` bytes at a time.
MessageReader readerOf(const std::string& bytes, std::size_t chunk) {
  auto position = std::make_shared<std::size_t>(0);
  return MessageReader(
      [bytes, chunk, position](char* buffer, std::size_t size) {
        std::size_t count = std::min({chunk, size, bytes.size() - *position});
        bytes.copy(buffer, count, *position);
        *position += count;
        return count;
      });
}

TEST(Transport, ReadsMessagesHoweverTheBytesArrive) {
  std::string bytes = frameMessage("{\"a\":1}") +
                      "content-length: 2\r\nContent-Type: x\r\n\r\n{}" +
                      "Content-Length:3\n\n[1]" + frameMessage("");
  for (std::size_t chunk : {1u, 3u, 1000u}) {
    MessageReader reader = readerOf(bytes, chunk);
    std::vector<std::string> bodies;
    while (std::optional<Frame> frame = reader.next()) {
      EXPECT_EQ(frame->fault, "");
      bodies.push_back(frame->body);
    }
    EXPECT_EQ(bodies, (std::vector<std::string>{"{\"a\":1}", "{}", "[1]", ""}))
        << chunk;
  }
}

TEST(Transport, BrokenHeadersAreFaultsAndReadingGoesOn) {
  std::string bytes =
      "Content-Type: x\r\n\r\n"
      "Content-Length: -4\r\n\r\n" +
      std::string(10000, 'x') + "\r\n\r\n" + frameMessage("ok") +
      "Content-Length: 50\r\n\r\ncut short";
  MessageReader reader = readerOf(bytes, 7);
  std::vector<std::string> seen;
  while (std::optional<Frame> frame = reader.next())
    seen.push_back(frame->fault.empty() ? "body " + frame->body : frame->fault);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"a header without Content-Length",
                                      "a Content-Length that is no number",
                                      "a header line without ':'", "body ok"}));
}

TEST(Document, EditsInUtf16UnitsLandOnTheirBytes) {
  // Line 1 holds an emoji (2 units, 4 bytes) before the word to change.
  Document document("int $a\nprint [\xF0\x9F\x98\x80 $a]\n", 1);
  document.edit({1, 10}, {1, 12}, "$b");
  document.edit({0, 4}, {0, 6}, "$a $b");
  document.analyse(2);
  EXPECT_EQ(document.text(), "int $a $b\nprint [\xF0\x9F\x98\x80 $b]\n");
  EXPECT_EQ(document.version(), 2);
  EXPECT_TRUE(document.findings().empty());
  // Places past a line's end or the script's end are those ends; a range
  // given backwards is turned round.
  document.edit({0, 99}, {0, 9}, "!");
  document.edit({9, 0}, {5, 5}, "end");
  document.analyse(3);
  EXPECT_EQ(document.text(), "int $a $b!\nprint [\xF0\x9F\x98\x80 $b]\nend");
  EXPECT_EQ(document.offsetOf({1, 8}), 18u);
  EXPECT_EQ(document.positionOf(23).character, 10u);
  EXPECT_FALSE(document.findings().empty());
}

TEST(Server, ExitsWithZeroOnlyAfterShutdown) {
  Server polite;
  polite.receive(
      R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  std::vector<std::string> answer =
      polite.receive(R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})");
  EXPECT_EQ(answer, std::vector<std::string>{
                        R"({"id":2,"jsonrpc":"2.0","result":null})"});
  EXPECT_FALSE(polite.exiting());
  EXPECT_TRUE(polite.receive(R"({"jsonrpc":"2.0","method":"exit"})").empty());
  EXPECT_TRUE(polite.exiting());
  EXPECT_EQ(polite.exitStatus(), 0);
  Server abrupt;
  abrupt.receive(R"({"jsonrpc":"2.0","method":"exit"})");
  EXPECT_TRUE(abrupt.exiting());
  EXPECT_EQ(abrupt.exitStatus(), 1);
}

}  // namespace
}  // namespace corvel
