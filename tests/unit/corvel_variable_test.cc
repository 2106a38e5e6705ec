#include "values/corvel_variable.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvel {
namespace {

std::shared_ptr<CorvelVariable> number(std::int32_t n) {
  return std::make_shared<CorvelVariable>(Value(n));
}

std::vector<std::int32_t> numbers(const Elements& elements) {
  std::vector<std::int32_t> out;
  for (const auto& slot : elements) out.push_back(slot->asInt());
  for (std::size_t i = 0; i < elements.size(); ++i)
    EXPECT_EQ(elements[i]->asInt(), out[i]) << "position " << i;
  return out;
}

TEST(Elements, AQueueKeepsItsOrderThroughEveryCompaction) {
  Elements queue;
  std::vector<std::int32_t> expected;
  // A window that slides far: every removal at the front and the room it
  // leaves, reclaimed now and then, must leave the same elements in order.
  for (std::int32_t i = 0; i < 1000; ++i) {
    queue.push_back(number(i));
    expected.push_back(i);
    if (queue.size() > 37) {
      queue.pop_front();
      expected.erase(expected.begin());
    }
    if (i % 97 == 0) {
      ASSERT_EQ(numbers(queue), expected) << "after " << i;
    }
  }
  EXPECT_EQ(numbers(queue), expected);
  while (!queue.empty()) {
    queue.pop_front();
    expected.erase(expected.begin());
    ASSERT_EQ(queue.size(), expected.size());
  }
  queue.push_back(number(5));
  EXPECT_EQ(numbers(queue), std::vector<std::int32_t>{5});
}

TEST(Elements, RemovesAtTheBackAndInTheMiddle) {
  Elements list;
  for (std::int32_t i = 0; i < 6; ++i) list.push_back(number(i));
  list.pop_front();
  list.erase(2);
  list.pop_back();
  EXPECT_EQ(numbers(list), (std::vector<std::int32_t>{1, 2, 4}));
  list.erase(0);
  list.erase(1);
  list.pop_back();
  EXPECT_TRUE(list.empty());
  list.push_back(number(9));
  EXPECT_EQ(numbers(list), std::vector<std::int32_t>{9});
}

TEST(Elements, ACopyHoldsTheSameRecordsAndNothingRemoved) {
  List list;
  for (std::int32_t i = 0; i < 40; ++i) list.items.push_back(number(i));
  for (int i = 0; i < 30; ++i) list.items.pop_front();
  List copy(list);
  EXPECT_TRUE(copy.items == list.items);
  ASSERT_EQ(copy.items.size(), 10u);
  EXPECT_EQ(copy.items[0].get(), list.items[0].get());
  // The same numbers in other records are another list's elements.
  List other;
  for (std::int32_t i = 30; i < 40; ++i) other.items.push_back(number(i));
  EXPECT_FALSE(other.items == list.items);
  copy.items.pop_back();
  EXPECT_FALSE(copy.items == list.items);
  EXPECT_EQ(list.items.size(), 10u);
}

}  // namespace
}  // namespace corvel
