#include "interpreter/loader.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

struct LoaderCase {
  std::string source;
  std::vector<TokenLine> lines;
};

TEST(Loader, CutsStatementsAndWords) {
  const LoaderCase cases[] = {
      {"", {}},
      {"print [a]\nexit", {{"print", "[a]"}, {"exit"}}},
      {"a b; c d", {{"a", "b"}, {"c", "d"}}},
      {"print [a; b]", {{"print", "[a; b]"}}},
      {"print [one\ntwo]\n", {{"print", "[one\ntwo]"}}},
      {"x y \r\n\r\nz", {{"x", "y"}, {"z"}}},
      {"\t  set\t$a  (1 + 2)  ", {{"set\t$a", "(1 + 2)"}}},
      {"a\\n\\nb", {{"a\n\nb"}}},
      {"[\\$x]", {{"[\\$x]"}}},
      {"p \\(x", {{"p", "(x"}}},
      {"p \\q\\\\", {{"p", "q\\"}}},
      {"p word\\n", {{"p", "word"}}},
      {"ab[c d]ef g", {{"ab[c d]ef", "g"}}},
      {"p [a (b) c]", {{"p", "[a (b) c]"}}},
      {"p [open\nrest", {{"p", "[open\nrest"}}},
      {";;\n\n", {}},
      {"p [\xC3\xA9\xFF]", {{"p", "[\xC3\xA9\xFF]"}}},
  };
  for (const LoaderCase& c : cases) {
    EXPECT_EQ(loadCode(c.source), c.lines) << "source: " << c.source;
  }
}

TEST(Loader, BracketFaultsEndTheRun) {
  EXPECT_EXIT(loadCode("p x\\"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(loadCode("p x)"), testing::ExitedWithCode(255), "");
  EXPECT_EXIT(loadCode("p [x)]"), testing::ExitedWithCode(255), "");
  EXPECT_EXIT(loadCode("p (x]"), testing::ExitedWithCode(255), "");
  EXPECT_EXIT(loadCode("p [a (b] c)]"), testing::ExitedWithCode(255), "");
}

TEST(Loader, MissingScriptEndsTheRun) {
  EXPECT_EXIT(loadCodeFromFile("/nonexistent/script.cv"),
              testing::ExitedWithCode(1), "");
  EXPECT_EXIT(loadCodeFromFile("/"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(loadCodeFromFile(""), testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace corvel
