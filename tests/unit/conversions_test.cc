#include "values/conversions.h"

#include <gtest/gtest.h>

#include "files/corvel_file.h"

namespace corvel {
namespace {

std::shared_ptr<CorvelVariable> element(Value value) {
  return std::make_shared<CorvelVariable>(std::move(value));
}

TEST(Conversions, WritesTheArrayTextForm) {
  auto inner = std::make_shared<List>();
  inner->items.push_back(element(StringValue("x")));
  inner->items.push_back(element(std::int32_t{1}));
  auto file = std::make_shared<CorvelFile>();
  auto list = std::make_shared<List>();
  list->items.push_back(element(StringValue("a b")));
  list->items.push_back(element(std::int32_t{-3}));
  list->items.push_back(element(inner));
  list->items.push_back(element(file));
  list->items.push_back(element(StringValue::absent()));
  list->items.push_back(element(std::make_shared<List>()));
  EXPECT_EQ(turnArrayToString(*list), "{[a b], (-3), {[x], (1)}, ||, [], {}}");
  EXPECT_EQ(turnArrayToString(List()), "{}");
}

TEST(Conversions, WritesAListThatContainsItselfOnce) {
  auto list = std::make_shared<List>();
  list->items.push_back(element(std::int32_t{1}));
  list->items.push_back(element(list));
  auto outer = std::make_shared<List>();
  outer->items.push_back(element(list));
  outer->items.push_back(element(list));
  EXPECT_EQ(turnArrayToString(*list), "{(1), {...}}");
  EXPECT_EQ(turnArrayToString(*outer), "{{(1), {...}}, {(1), {...}}}");
  list->items.clear();  // breaks the cycle so the test does not leak
}

TEST(Conversions, HandlesDeepNestingWithoutRecursion) {
  constexpr int kDepth = 100000;
  auto root = std::make_shared<List>();
  std::shared_ptr<List> current = root;
  for (int i = 0; i < kDepth; ++i) {
    auto next = std::make_shared<List>();
    current->items.push_back(element(next));
    current = next;
  }
  current.reset();
  std::string text = turnArrayToString(*root);
  EXPECT_EQ(text.size(), 2u * (kDepth + 1));
  EXPECT_EQ(text.substr(0, 3), "{{{");
  root.reset();  // must not exhaust the stack either
}

TEST(Conversions, GivesTheStringAndListFormOfAVariable) {
  CorvelVariable number(std::int32_t{-12});
  EXPECT_EQ(turnVariableToString(number).view(), "-12");
  CorvelVariable text(StringValue("a text longer than fifteen bytes"));
  std::shared_ptr<List> list = turnVariableToArray(text);
  ASSERT_EQ(list->items.size(), 1u);
  // The element shares the very bytes of the variable's string.
  EXPECT_EQ(list->items[0]->asString().view().data(),
            text.asString().view().data());
  CorvelVariable array(std::make_shared<List>());
  EXPECT_EQ(turnVariableToArray(array), array.asList());
  EXPECT_EQ(turnVariableToString(array).view(), "{}");
}

}  // namespace
}  // namespace corvel
