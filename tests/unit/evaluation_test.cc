#include "values/evaluation.h"

#include <gtest/gtest.h>

#include <deque>

#include "files/corvel_file.h"

namespace corvel {
namespace {

class Evaluation : public testing::Test {
 protected:
  Evaluation() {
    vars.declare("n", Type::Int);
    vars.find("n")->value = std::int32_t{3};
    vars.declare("s", Type::String);
    vars.find("s")->value = StringValue("41");
    vars.declare("a,$b", Type::String);
    vars.find("a,$b")->value = StringValue("AB");
    vars.declare("list", Type::Array);
    vars.declare("f", Type::File);
    vars.declare("gone", Type::String);
    vars.find("gone")->value = StringValue::absent();
  }

  // Words view their text, which the script keeps; here the fixture does.
  Word word(const std::string& text) {
    return analyseWord(vars, texts.emplace_back(text));
  }
  std::string text(const std::string& w) {
    return turnExpressionToString(word(w));
  }
  std::int32_t integer(const std::string& w) {
    return turnExpressionToInt(word(w));
  }

  VariableList vars{
      {[] { return std::string("/home/u"); }, [] { return std::string("u"); }}};
  std::deque<std::string> texts;
};

TEST_F(Evaluation, ComputesOneOperation) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"(2 + 3)", 5},
      {"(6 * 7)", 42},
      {"(7 - 10)", -3},
      {"(7 / 2)", 3},
      {"(-7 / 2)", -3},
      {"(-7 % 3)", -1},
      {"(7 % -3)", 1},
      {"(1 + 2 + 3)", 3},
      {"(2 * (3 + 4))", 6},
      {"((2 + 3)", 5},
      {"(2 ( * 3)", 2},
      {"(2 (* 3)", 6},
      {"(1(2 + 3)", 15},
      {"(4 *(5 + 1)", 0},
      {"(1   +   2)", 3},
      {"(1 ++ 2)", 3},
      {"(8 -/ 2)", 4},
      {"(1 2)", 1},
      {"(1 +)", 1},
      {"()", 0},
      {"($n)", 0},
      {"($n + 0)", 3},
      {"($s + 1)", 1},
      {"(3abc * 2)", 6},
      {"(-3 * 2)", -6},
      {"(5 - -3)", 8},
      {"(5)", 5},
      {"( 1 + 2)", 0},
      {"(2 ^ 3)", 0},
      {"($missing * 2)", 0},
      {"(2147483647 + 1)", -2147483647 - 1},
      {"(-2147483648 / -1)", -2147483647 - 1},
      {"(-2147483648 % -1)", 0},
      {"(65536 * 65536)", 0},
      {"(99999999999 + 0)", 2147483647},
      // Operands of up to nine digits are read apart from longer ones.
      {"(999999999 + 1)", 1000000000},
      {"(000000042 * 2)", 84},
      {"(0000000042 * 2)", 84},
      {"(2147483648 - 1)", 2147483646},
      {"(+7 * 1)", 7},
      {"(4 - 12x)", -8},
      {"(3 * 1 2)", 3},
  };
  for (const auto& [word, value] : cases)
    EXPECT_EQ(integer(word), value) << word;
}

TEST_F(Evaluation, DivisionByZeroEndsTheRun) {
  EXPECT_EXIT(integer("(1 / 0)"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(integer("(1 % $nothing)"), testing::ExitedWithCode(1), "");
}

TEST_F(Evaluation, FillsInStringLiterals) {
  const std::pair<std::string, std::string> cases[] = {
      {"[Hello $USER]", "Hello u"},
      {"[$USER#s files]", "us files"},
      {"[($n#)]", "(3)"},
      {"[Total: $n items]", "Total: 3 items"},
      {"[cost \\$5]", "cost $5"},
      {"[$a,$b]", "AB"},
      {"[a#b]", "a#b"},
      {"[]", ""},
      {"[x ($n * 2)]", "x (3 * 2)"},
      {"[$n\nx]", "3\nx"},
      {"[$gone#|]", "|"},
      {"[list: $list]", "list: {}"},
      {"[$s#$n]", "413"},
      {"[a\\b]", "a\\b"},
      {"42", ""},
      {"[x)", ""},
      {"$f", ""},
  };
  for (const auto& [word, value] : cases) EXPECT_EQ(text(word), value) << word;
}

TEST_F(Evaluation, UndeclaredNamesEndTheRunWithStatusOne) {
  EXPECT_EXIT(text("$nosuch"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(text("[a $ b]"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(integer("[$x#y]"), testing::ExitedWithCode(1), "");
  EXPECT_EXIT(turnExpressionToArray(word("$nosuch")),
              testing::ExitedWithCode(1), "");
}

TEST_F(Evaluation, ReadsTextAsIntegers) {
  EXPECT_EQ(integer("[12abc]"), 12);
  EXPECT_EQ(integer("$s"), 41);
  EXPECT_EQ(integer("$list"), 0);
  EXPECT_EQ(integer("$gone"), 0);
  EXPECT_EQ(integer("-3"), 0);
}

TEST_F(Evaluation, ObjectsAreEqualOnlyAsTheSameKindOfValue) {
  auto object = [&](const std::string& w) {
    return turnExpressionToObject(word(w));
  };
  EXPECT_FALSE(valuesEqual(object("(5)"), object("[5]")));
  EXPECT_TRUE(valuesEqual(object("[41]"), object("$s")));
  EXPECT_TRUE(valuesEqual(object("bare"), object("[]")));
  EXPECT_FALSE(valuesEqual(object("$gone"), object("$gone")));
  EXPECT_TRUE(valuesEqual(object("$list"), object("$list")));
  EXPECT_TRUE(valuesEqual(object("$f"), object("$f")));
  // Two lists are equal when they hold the very same element records.
  auto copy = std::make_shared<List>(*vars.find("list")->asList());
  EXPECT_TRUE(valuesEqual(Value(copy), object("$list")));
  copy->items.push_back(std::make_shared<CorvelVariable>(std::int32_t{1}));
  EXPECT_FALSE(valuesEqual(Value(copy), object("$list")));
}

TEST_F(Evaluation, ClassifiesWordsWithoutEvaluatingThem) {
  auto type = [&](const std::string& w) {
    return getVariableTypeOfConstant(word(w));
  };
  EXPECT_EQ(type("[x $undeclared]"), Type::String);
  EXPECT_EQ(type("(1 + 1)"), Type::Int);
  EXPECT_EQ(type("$list"), Type::Array);
  EXPECT_EQ(type("$f"), Type::File);
  EXPECT_EQ(type("$nosuch"), std::nullopt);
  EXPECT_EQ(type("hello"), std::nullopt);
  EXPECT_EQ(type("$"), std::nullopt);
}

TEST_F(Evaluation, MakesListsFromVariables) {
  std::shared_ptr<List> one = turnExpressionToArray(word("$s"));
  ASSERT_EQ(one->items.size(), 1u);
  EXPECT_EQ(one->items[0]->asString().view(), "41");
  EXPECT_TRUE(turnExpressionToArray(word("[a b]"))->items.empty());
  EXPECT_EQ(turnExpressionToArray(word("$list")), vars.find("list")->asList());
}

}  // namespace
}  // namespace corvel
