#include "values/string_value.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

const std::string kLong = "a text longer than the fifteen bytes kept inline";

TEST(StringValue, CopiesShareTheBytesAndStayApartOnChange) {
  StringValue a(kLong);
  StringValue b = a;
  EXPECT_EQ(a.view().data(), b.view().data());
  b.append("!");
  EXPECT_EQ(a.view(), kLong);
  EXPECT_EQ(b.view(), kLong + "!");
  StringValue c = b;
  c.assign("replaced, and long enough to need a block");
  EXPECT_EQ(b.view(), kLong + "!");
}

TEST(StringValue, AppendsInPlaceAndAcrossTheInlineLimit) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "abc"}, {"short", "er"}, {"fifteen bytes!!", "x"}, {kLong, kLong}};
  for (const auto& [start, more] : cases) {
    StringValue value(start);
    value.append(more);
    EXPECT_EQ(value.view(), start + more);
  }
  // Appending a string to itself reads it before it grows.
  StringValue twice(kLong);
  twice.append(twice.view());
  EXPECT_EQ(twice.view(), kLong + kLong);
  StringValue small("abc");
  small.append(small.view());
  EXPECT_EQ(small.view(), "abcabc");
}

TEST(StringValue, TheAbsentStringIsNotTheEmptyOne) {
  StringValue absent = StringValue::absent();
  EXPECT_TRUE(absent.isAbsent());
  EXPECT_FALSE(StringValue().isAbsent());
  EXPECT_EQ(absent.view(), "");
  EXPECT_EQ(absent.utf16Length(), 0);
  EXPECT_TRUE(absent.utf16Slice(0, 0).isAbsent());
  absent.append("x");
  EXPECT_EQ(absent.view(), "x");
}

TEST(StringValue, KnownLengthsFollowAppends) {
  StringValue value(kLong);
  EXPECT_EQ(value.utf16Length(), static_cast<std::int32_t>(kLong.size()));
  EXPECT_TRUE(value.isAscii());
  value.append("\xF0\x9F\x98\x80");  // two units
  EXPECT_FALSE(value.isAscii());
  EXPECT_EQ(value.utf16Length(), static_cast<std::int32_t>(kLong.size()) + 2);
  value.append("z");
  EXPECT_FALSE(value.isAscii());
  EXPECT_EQ(value.utf16Length(), static_cast<std::int32_t>(kLong.size()) + 3);
}

TEST(StringValue, ChangesInPlaceNeverReachAnotherHolder) {
  StringValue a(kLong);
  StringValue b = a;
  ASSERT_TRUE(b.mapAsciiCase(true));
  EXPECT_EQ(a.view(), kLong);
  EXPECT_EQ(b.view(), "A TEXT LONGER THAN THE FIFTEEN BYTES KEPT INLINE");
  StringValue c = b;
  c.keepUtf16Units(2, 6);
  EXPECT_EQ(c.view(), "TEXT");
  EXPECT_EQ(b.view(), "A TEXT LONGER THAN THE FIFTEEN BYTES KEPT INLINE");
  b.keepUtf16Units(7, 13);
  EXPECT_EQ(b.view(), "LONGER");
  EXPECT_EQ(b.utf16Length(), 6);
  EXPECT_FALSE(StringValue("\xC3\xA9t\xC3\xA9").mapAsciiCase(true));
  StringValue accented("\xC3\xA9t\xC3\xA9 and more than fifteen bytes");
  accented.keepUtf16Units(1, 3);
  EXPECT_EQ(accented.view(), "t\xC3\xA9");
}

TEST(StringValue, PiecesCutFromASharedLineAreWholeShortStrings) {
  // A walk copies the line and cuts the copy: every piece must be the short
  // string a fresh one would be (equal short strings compare byte for byte),
  // and the line must stay as it was, however many pieces were cut from it.
  const std::string line = "word another, and a line longer than a block";
  const StringValue held(line);
  const auto length = static_cast<std::int32_t>(line.size());
  for (std::int32_t from = 0; from <= length; ++from) {
    for (std::int32_t to = from; to <= length && to - from <= 17; ++to) {
      StringValue copy = held;
      copy.keepUtf16Units(from, to);
      std::string_view expected = std::string_view(line).substr(
          static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
      ASSERT_EQ(copy.view(), expected) << from << ".." << to;
      ASSERT_TRUE(copy.sameText(StringValue(expected))) << from << ".." << to;
      ASSERT_EQ(copy.utf16Length(), to - from);
    }
  }
  EXPECT_EQ(held.view(), line);
  // A line that is not ASCII is cut by units as before.
  const StringValue accented("\xC3\xA9t\xC3\xA9 and more than fifteen bytes");
  StringValue copy = accented;
  copy.keepUtf16Units(1, 4);
  EXPECT_EQ(copy.view(), "t\xC3\xA9 ");
  EXPECT_EQ(accented.view(), "\xC3\xA9t\xC3\xA9 and more than fifteen bytes");
}

TEST(StringValue, APieceAssignedFromALineIsTheSliceWhateverTheTargetHeld) {
  // `set $c $line` + `substr $c ...` writes the piece straight into $c: it
  // must equal the slice made the long way, for ASCII and other lines, ASCII
  // known or not yet, and whatever $c held before, even the line itself.
  const std::string lines[] = {
      "word another, and a line longer than a block",
      "\xC3\xA9t\xC3\xA9 and more than fifteen bytes \xF0\x9F\x98\x80 end"};
  for (const std::string& text : lines) {
    for (bool known : {false, true}) {
      const StringValue line(text);
      if (known) line.isAscii();
      const std::int32_t length = StringValue(text).utf16Length();
      for (std::int32_t from = 0; from <= length; ++from) {
        for (std::int32_t to = from; to <= length && to - from <= 17; ++to) {
          const std::string expected(StringValue(text).utf16Slice(from, to).view());
          StringValue targets[] = {StringValue::absent(), StringValue("short"),
                                   StringValue(std::string(40, 'x')), line};
          for (StringValue& target : targets) {
            target.assignUtf16Slice(line, from, to);
            ASSERT_EQ(target.view(), expected) << from << ".." << to;
            ASSERT_TRUE(target.sameText(StringValue(expected)));
            ASSERT_EQ(target.utf16Length(), StringValue(expected).utf16Length());
          }
          ASSERT_EQ(line.view(), text);
        }
      }
    }
  }
}

TEST(StringValue, CuttingOneUnitAfterAnotherMatchesCuttingFromTheStart) {
  // Cuts that remember where the last one began must give what a cut that
  // walks from the start gives, forward, backward and across broken bytes.
  const std::string text =
      "h\xC3\xA9llo w\xC3\xB6rld \xF0\x9F\x98\x80 \xE2\x82\xAC\xFF end of the "
      "line";
  StringValue value(text);
  std::int32_t length = value.utf16Length();
  ASSERT_EQ(length, utf16Length(text));
  for (std::int32_t i = 0; i < length; ++i) {
    EXPECT_EQ(value.utf16Slice(i, i + 1).view(), utf16Substring(text, i, i + 1))
        << i;
  }
  for (std::int32_t i = length; i-- > 0;) {
    EXPECT_EQ(value.utf16Slice(i, length).view(),
              utf16Substring(text, i, length))
        << i;
  }
}

TEST(StringValue, EqualShortTextsAreIdenticalHoweverTheyWereMade) {
  // A jump through a variable finds its label again by these bytes alone.
  StringValue grown("ab");
  grown.append("c");
  StringValue cut(std::string_view("abc and a long text that is cut off"));
  cut = cut.utf16Slice(0, 3);
  StringValue upper("ABC");
  upper.mapAsciiCase(false);
  StringValue made("abc");
  for (const StringValue* other : {&grown, &cut, &upper}) {
    EXPECT_TRUE(made.identical(*other)) << other->view();
    EXPECT_TRUE(made.sameText(*other));
  }
  StringValue from(std::move(made));
  EXPECT_TRUE(made.identical(StringValue())) << "moved from";
  EXPECT_FALSE(from.identical(StringValue("abd")));
  EXPECT_FALSE(from.sameText(StringValue("ab")));
}

TEST(StringValue, LongTextsAreIdenticalOnlyWhenShared) {
  StringValue a(kLong);
  StringValue b(kLong);
  StringValue c = a;
  EXPECT_TRUE(a.identical(c));
  EXPECT_FALSE(a.identical(b));
  EXPECT_TRUE(a.sameText(b));
  EXPECT_FALSE(a.sameText(StringValue("short")));
  // A copy is no longer identical once either changes.
  c.append("!");
  EXPECT_FALSE(a.identical(c));
  EXPECT_EQ(a.view(), kLong);
  // A long text cut short where it lies keeps its block: the same text as a
  // short one, but not identical to it.
  b.keepUtf16Units(0, 3);
  EXPECT_TRUE(b.sameText(StringValue("a t")));
  EXPECT_FALSE(b.identical(StringValue("a t")));
}

TEST(StringValue, TheAbsentStringEqualsNoText) {
  StringValue absent = StringValue::absent();
  EXPECT_FALSE(absent.sameText(absent));
  EXPECT_FALSE(absent.sameText(StringValue()));
  EXPECT_FALSE(StringValue().sameText(absent));
  EXPECT_TRUE(StringValue().sameText(StringValue("")));
}

// Every fact a string remembers (its length, whether it is ASCII, where its
// last cut began) must still hold after each kind of change, also when the
// change completes a character whose first bytes the string ended with.
TEST(StringValue, RememberedFactsFollowEveryChange) {
  const std::string bases[] = {
      kLong, "h\xC3\xA9llo w\xC3\xB6rld, more than fifteen bytes \xE2\x82",
      kLong + "\xF0\x9F", kLong + "\xC3"};
  using Change = void (*)(StringValue&);
  const std::pair<const char*, Change> changes[] = {
      {"completes the tail", [](StringValue& v) { v.append("\x82\xAC!"); }},
      {"appends one continuation", [](StringValue& v) { v.append("\xAC"); }},
      {"appends a character",
       [](StringValue& v) { v.append("\xF0\x9F\x98\x80"); }},
      {"appends itself", [](StringValue& v) { v.append(v.view()); }},
      {"upper-cases", [](StringValue& v) { v.mapAsciiCase(true); }},
      {"keeps a middle", [](StringValue& v) { v.keepUtf16Units(2, 20); }},
      {"is replaced", [](StringValue& v) { v.assign(std::string(40, 'q')); }},
  };
  for (const std::string& base : bases) {
    for (const auto& [name, change] : changes) {
      auto prepared = [&base, change = change] {
        // A block with room to grow, so that appends stay in place.
        StringValue value(std::string(200, '-'));
        value.assign(base);
        // Learn every fact, cutting one unit after another up to the last.
        std::int32_t before = value.utf16Length();
        value.isAscii();
        for (std::int32_t i = 0; i < before; ++i) value.utf16Slice(i, i + 1);
        change(value);
        return value;
      };
      const std::string bytes(prepared().view());
      StringValue fresh(bytes);
      std::int32_t length = fresh.utf16Length();
      ASSERT_EQ(prepared().utf16Length(), length) << name;
      ASSERT_EQ(prepared().isAscii(), fresh.isAscii()) << name;
      // Each cut made first after the change, where a stale memory would
      // show.
      for (std::int32_t i = 0; i < length; ++i) {
        ASSERT_EQ(prepared().utf16Slice(i, i + 1).view(),
                  utf16Substring(bytes, i, i + 1))
            << name << ", unit " << i << " of " << base;
      }
    }
  }
}

}  // namespace
}  // namespace corvel
