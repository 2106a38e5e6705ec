// The fuzzing dictionary offers every command word, so that the fuzzer reaches
// every command, including ones added to the table later.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "interpreter/command_table.h"

namespace corvel {
namespace {

TEST(FuzzDictionary, OffersEveryCommandWord) {
  std::ifstream in(CORVEL_SOURCE_DIR "/fuzz/corvel.dict");
  ASSERT_TRUE(in);
  std::string dictionary(std::istreambuf_iterator<char>(in), {});
  // Words of the table are offered with the blank that follows them; the
  // one-word commands stand alone.
  auto offers = [&](std::string_view word, std::string_view after) {
    std::string entry = "\"";
    entry += word;
    entry += after;
    entry += '"';
    return dictionary.find(entry) != std::string::npos;
  };
  for (const Command& command : commandRows())
    EXPECT_TRUE(offers(command.word, " ")) << command.word;
  for (const char* word : {"beep", "exit", "terminate", "wait"})
    EXPECT_TRUE(offers(word, "")) << word;
}

}  // namespace
}  // namespace corvel
