// The analysis model, the checker and the language server's answers on
// arbitrary bytes and arbitrary edits: nothing may crash, every place they
// give must lie in the script, and the references the model finds in literals
// must be those that evaluation finds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/script_model.h"
#include "checker/checker.h"
#include "lsp/document.h"
#include "lsp/features.h"
#include "values/evaluation.h"
#include "values/variable_list.h"

namespace corvel::fuzz {
namespace {

void expect(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "corvel fuzz: analysis: %s\n", what);
  std::abort();
}

bool inside(Span span, std::string_view source) {
  return span.begin <= span.end && span.end <= source.size();
}

void checkModel(const ScriptModel& model) {
  std::string_view source = model.source();
  std::size_t previous = 0;
  for (const ModelStatement& statement : model.statements()) {
    expect(inside(statement.span, source), "a statement outside the script");
    expect(statement.span.begin >= previous, "statements out of order");
    previous = statement.span.begin;
    expect(statement.wordCount > 0, "a statement without words");
  }
  for (const ModelWord& word : model.words())
    expect(inside(word.span, source) && !word.text.empty(), "a bad word");
  for (const Occurrence& occurrence : model.occurrences())
    expect(inside(occurrence.span, source), "an occurrence outside the script");
  for (const LabelLine& label : model.labels())
    expect(inside(label.span, source), "a label outside the script");
  for (const Jump& jump : model.jumps())
    expect(inside(jump.span, source), "a jump outside the script");

  // The references of every literal, as evaluation reads them.
  VariableList vars(
      Predefined{+[] { return std::string(); }, +[] { return std::string(); }});
  const std::vector<Occurrence>& occurrences = model.occurrences();
  for (std::uint32_t w = 0; w < model.words().size(); ++w) {
    const ModelWord& word = model.words()[w];
    if (word.role != WordRole::Evaluated || word.text.size() < 2 ||
        word.text.front() != '[' || word.text.back() != ']')
      continue;
    Word analysed = analyseWord(vars, word.text);
    std::vector<std::string_view> expected;
    for (const LiteralPiece& piece : analysed.pieces)
      if (piece.reference != nullptr) expected.push_back(piece.reference->name);
    std::vector<std::string_view> found;
    for (const Occurrence& occurrence : occurrences)
      if (occurrence.word == w && occurrence.inLiteral)
        found.push_back(occurrence.name);
    expect(found == expected, "literal references differ from evaluation's");
  }

  // Places survive the trip to protocol positions and back.
  const SourceMap& map = model.map();
  for (std::size_t offset = 0; offset <= source.size(); offset += 7) {
    // Only the first byte of a character has a place of its own.
    if (offset < source.size() &&
        (static_cast<unsigned char>(source[offset]) & 0xC0) == 0x80)
      continue;
    Place place = map.place(offset);
    std::size_t back = map.offsetAt(place.line, place.utf16Column);
    expect(back <= offset, "a place that maps past its byte");
  }
}

void checkFindings(const ScriptModel& model,
                   const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) {
    expect(inside(finding.span, model.source()),
           "a finding outside the script");
    expect(isCheckCode(finding.code), "a finding without a known code");
    expect(!finding.message.empty(), "a finding without a message");
    if (finding.fix)
      expect(inside(finding.fix->span, model.source()),
             "a fix outside the script");
  }
}

void useAnswer(const nlohmann::json& answer) {
  std::string text =
      answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  expect(!text.empty(), "an answer that writes nothing");
}

void askEverything(const Document& document, FuzzedDataProvider& data) {
  ProtocolPosition at{data.ConsumeIntegralInRange<std::uint32_t>(0, 64),
                      data.ConsumeIntegralInRange<std::uint32_t>(0, 200)};
  std::string_view uri = "file:///fuzz.cv";
  useAnswer(hover(document, at));
  useAnswer(completion(document, at));
  useAnswer(signatureHelp(document, at));
  useAnswer(definition(document, uri, at));
  useAnswer(references(document, uri, at, data.ConsumeBool()));
  useAnswer(highlights(document, at));
  useAnswer(documentSymbols(document));
  useAnswer(diagnostics(document));
  useAnswer(codeActions(document, uri, at, {at.line + 1, 0}));
  try {
    useAnswer(prepareRename(document, at));
    useAnswer(rename(document, uri, at, data.ConsumeRandomLengthString(12)));
  } catch (const Refusal& refusal) {
    expect(!refusal.message.empty(), "a refusal without a reason");
  }
}

}  // namespace
}  // namespace corvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes,
                                      std::size_t size) {
  using namespace corvel;
  // The whole input is the script, so that every seed is read as written; the
  // same bytes, read again, pick the places and the edits.
  std::string text(reinterpret_cast<const char*>(bytes), size);
  FuzzedDataProvider data(bytes, size);
  {
    ScriptModel model(text);
    fuzz::checkModel(model);
    fuzz::checkFindings(model, checkScript(model));
  }
  Document document(text, 1);
  fuzz::askEverything(document, data);
  for (int edit = 0; edit < 8 && data.remaining_bytes() > 0; ++edit) {
    ProtocolPosition start{data.ConsumeIntegralInRange<std::uint32_t>(0, 64),
                           data.ConsumeIntegralInRange<std::uint32_t>(0, 200)};
    ProtocolPosition end{data.ConsumeIntegralInRange<std::uint32_t>(0, 64),
                         data.ConsumeIntegralInRange<std::uint32_t>(0, 200)};
    document.edit(start, end, data.ConsumeRandomLengthString(64));
    document.analyse(edit + 2);
    fuzz::checkModel(document.model());
    fuzz::checkFindings(document.model(), document.findings());
    fuzz::askEverything(document, data);
  }
  return 0;
}
