#include "analysis/script_model.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

// The text of the script at `span`.
std::string_view at(const ScriptModel& model, Span span) {
  return model.source().substr(span.begin, span.end - span.begin);
}

TEST(SourceMap, CountsLinesAndColumnsAsEditorsDo) {
  // Lines end at LF, CR LF and a CR alone; an emoji is 4 bytes and 2 UTF-16
  // units, an e-acute 2 bytes and 1 unit.
  std::string source = "ab\r\n\xF0\x9F\x98\x80\xC3\xA9x\rlast";
  SourceMap map(source);
  EXPECT_EQ(map.lineCount(), 3u);
  const std::pair<std::size_t, Place> places[] = {
      {0, {0, 0, 0}},  {2, {0, 2, 2}},  {4, {1, 0, 0}},  {8, {1, 4, 2}},
      {10, {1, 6, 3}}, {12, {2, 0, 0}}, {16, {2, 4, 4}}, {99, {2, 4, 4}},
  };
  for (const auto& [offset, place] : places)
    EXPECT_EQ(map.place(offset), place) << offset;
  EXPECT_EQ(map.lineEnd(0), 2u);
  EXPECT_EQ(map.lineEnd(1), 11u);
  // Back from UTF-16 columns: inside the emoji gives its start, past the end
  // of a line its end, past the last line the end of the script.
  EXPECT_EQ(map.offsetAt(1, 1), 4u);
  EXPECT_EQ(map.offsetAt(1, 2), 8u);
  EXPECT_EQ(map.offsetAt(1, 3), 10u);
  EXPECT_EQ(map.offsetAt(1, 50), 11u);
  EXPECT_EQ(map.offsetAt(0, 50), 2u);
  EXPECT_EQ(map.offsetAt(7, 0), source.size());
}

TEST(ScriptModel, WordsKeepTheirPlacesThroughEscapes) {
  ScriptModel model("  print [a\\tb]\t$x ;x\\n\n");
  ASSERT_EQ(model.statements().size(), 2u);
  const ModelStatement& print = model.statements()[0];
  EXPECT_EQ(print.wordCount, 2u);
  EXPECT_EQ(model.word(print, 1).role, WordRole::Command);
  const ModelWord& literal = model.word(print, 2);
  // A tab joins words: "[a\tb]\t$x" is one word, and its escape is decoded.
  EXPECT_EQ(literal.text, "[atb]\t$x");
  EXPECT_TRUE(literal.escaped);
  EXPECT_EQ(at(model, literal.span), "[a\\tb]\t$x");
  // A trailing escaped line feed is trimmed from the word and its place.
  const ModelWord& last = model.word(model.statements()[1], 1);
  EXPECT_EQ(last.text, "x");
  EXPECT_EQ(at(model, last.span), "x");
}

TEST(ScriptModel, FindsDeclarationsAndUsesWhereTheyAreWritten) {
  ScriptModel model(
      "int $n count\n"
      "string $s\n"
      "strlen s $n\n"
      "print [\\t$s#x \\$n $n,a] ($n+1) ($n * $count)\n"
      "pirnt $s\n");
  std::vector<std::pair<std::string_view, std::string_view>> found;
  for (const Occurrence& occurrence : model.occurrences())
    found.push_back({occurrence.name, at(model, occurrence.span)});
  const std::vector<std::pair<std::string_view, std::string_view>> expected = {
      {"n", "n"},
      {"count", "count"},
      {"s", "s"},
      {"s", "s"},
      {"n", "n"},
      // In the literal: `$s` ends at `#`, `\$n` is no reference, and `$n,a`
      // runs on to the bracket.
      {"s", "s"},
      {"n,a", "n,a"},
      // `($n+1)` names `n` for its author; `($n * $count)` both.
      {"n", "n"},
      {"n", "n"},
      {"count", "count"},
      // A line that does nothing still names its variables.
      {"s", "s"}};
  EXPECT_EQ(found, expected);
  EXPECT_EQ(model.declarationOf("count")->type, "int");
  EXPECT_EQ(model.declarationOf("HOME"), nullptr);
  EXPECT_TRUE(model.isDeclared("HOME"));
  EXPECT_FALSE(model.isDeclared("n,a"));
  EXPECT_EQ(model.occurrencesOf("n").size(), 4u);
  EXPECT_EQ(model.declaredNames(),
            (std::vector<std::string_view>{"n", "count", "s"}));
  // The reference after an escape stands at its own bytes.
  const Occurrence* reference =
      model.occurrenceAt(model.source().find("$s#") + 1);
  ASSERT_NE(reference, nullptr);
  EXPECT_TRUE(reference->inLiteral);
  EXPECT_TRUE(reference->plain);
}

TEST(ScriptModel, LabelsJumpsAndBlocks) {
  ScriptModel model(
      "*loop\n"
      "* spaced\n"
      "if (1) == (1) {\n"
      "goto [*loop]\n"
      "if (2) == (2) {\n"
      "goto bare\n"
      "}\n"
      "goto $v\n"
      "goto [a\\$b]\n"
      "goto [x$v]\n");
  std::vector<std::tuple<std::string_view, std::string_view, bool>> labels;
  for (const LabelLine& label : model.labels())
    labels.push_back({label.name, at(model, label.span), label.spaced});
  EXPECT_EQ(labels,
            (std::vector<std::tuple<std::string_view, std::string_view, bool>>{
                {"loop", "loop", false},
                {"", "", false},
                {"spaced", "spaced", true}}));
  std::vector<std::optional<std::string>> targets;
  for (const Jump& jump : model.jumps()) targets.push_back(jump.label);
  EXPECT_EQ(targets, (std::vector<std::optional<std::string>>{
                         "loop", "", std::nullopt, "a$b", std::nullopt}));
  const Jump& first = model.jumps()[0];
  EXPECT_EQ(at(model, first.span), "loop");
  EXPECT_TRUE(first.plain);
  EXPECT_TRUE(model.jumps()[1].bare);
  // The label written with an escape is found, but is not written as is.
  EXPECT_FALSE(model.jumps()[3].plain);
  EXPECT_EQ(model.jumpsTo("loop").size(), 1u);
  EXPECT_EQ(model.labelLines("").size(), 1u);
  // Both blocks end at the one `}`: a false block skips to the first.
  ASSERT_EQ(model.blocks().size(), 2u);
  EXPECT_EQ(model.blocks()[0].close, 6u);
  EXPECT_EQ(model.blocks()[1].close, 6u);
}

TEST(ScriptModel, ScriptsThatDoNotLoad) {
  ScriptModel fault("print [a]\nprint )\nprint [b]\n");
  EXPECT_FALSE(fault.whole());
  EXPECT_EQ(fault.fault()->offset, 16u);
  EXPECT_EQ(fault.statements().size(), 1u);
  ScriptModel open("int $a\nprint [a\nprint [b]\n");
  EXPECT_TRUE(open.whole());
  EXPECT_EQ(open.openGroup(), 13u);
  EXPECT_TRUE(open.statements().back().swallowing);
  ScriptModel empty("");
  EXPECT_TRUE(empty.statements().empty());
  EXPECT_FALSE(empty.wordAt(0));
}

TEST(ScriptModel, FindsWhatStandsAtAPlace) {
  ScriptModel model("int $abc\nprint $abc [$abc]\n");
  std::string_view source = model.source();
  std::size_t use = source.find("$abc", 10);
  EXPECT_EQ(model.occurrenceAt(use), nullptr);  // the `$` itself
  EXPECT_EQ(model.occurrenceAt(use + 1)->name, "abc");
  EXPECT_EQ(model.occurrenceAt(use + 4)->name, "abc");  // its end
  EXPECT_EQ(model.occurrenceAt(use + 5), nullptr);
  EXPECT_EQ(model.wordAt(use + 4), 3u);
  EXPECT_EQ(model.statementOfWord(3), 1u);
  EXPECT_EQ(model.words()[*model.wordAt(9)].role, WordRole::Command);
}

}  // namespace
}  // namespace corvel
