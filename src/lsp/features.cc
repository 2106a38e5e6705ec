// What the language server answers about an open script: hover, completion,
// signature help, navigation, renaming, the outline, diagnostics and fixes.
// Each takes the document as last analysed and gives the result as the
// protocol writes it.
#include "lsp/features.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/text.h"

namespace corvel {

namespace {

using nlohmann::json;

// The protocol's kinds, by their numbers.
constexpr int kCompletionFunction = 3;
constexpr int kCompletionVariable = 6;
constexpr int kCompletionKeyword = 14;
constexpr int kCompletionReference = 18;
constexpr int kSymbolFunction = 12;
constexpr int kSymbolVariable = 13;
constexpr int kHighlightRead = 2;
constexpr int kHighlightWrite = 3;
constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;

json positionJson(const Document& document, std::size_t offset) {
  ProtocolPosition position = document.positionOf(offset);
  return {{"line", position.line}, {"character", position.character}};
}

json rangeJson(const Document& document, Span span) {
  return {{"start", positionJson(document, span.begin)},
          {"end", positionJson(document, span.end)}};
}

json locationJson(const Document& document, std::string_view uri, Span span) {
  return {{"uri", uri}, {"range", rangeJson(document, span)}};
}

std::string lineList(const std::vector<std::uint32_t>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += i + 1 == lines.size() ? " and " : ", ";
    text += std::to_string(lines[i]);
  }
  return text;
}

// What stands at a place: a variable, a label, or a command word.
struct Target {
  enum class Kind : std::uint8_t { None, Variable, Label, Command };
  Kind kind = Kind::None;
  std::string name;
  Span span;
  const Command* command = nullptr;
  const OneWordCommand* oneWord = nullptr;
  // A label named at a `goto` line rather than at the label line.
  const Jump* jump = nullptr;
};

Target targetAt(const ScriptModel& model, std::size_t offset) {
  Target target;
  std::string_view source = model.source();
  const Occurrence* occurrence = model.occurrenceAt(offset);
  // On the `$` of a reference, the name after it is meant.
  if (occurrence == nullptr && offset < source.size() && source[offset] == '$')
    occurrence = model.occurrenceAt(offset + 1);
  if (occurrence != nullptr && !occurrence->name.empty()) {
    target.kind = Target::Kind::Variable;
    target.name = occurrence->name;
    target.span = occurrence->span;
    return target;
  }
  if (const LabelLine* label = model.labelAt(offset)) {
    target.kind = Target::Kind::Label;
    target.name = label->name;
    target.span = label->span;
    return target;
  }
  if (const Jump* jump = model.jumpAt(offset); jump != nullptr && jump->label) {
    target.kind = Target::Kind::Label;
    target.name = *jump->label;
    target.span = jump->span;
    target.jump = jump;
    return target;
  }
  std::optional<std::uint32_t> word = model.wordAt(offset);
  if (!word || model.words()[*word].role != WordRole::Command) return target;
  const ModelWord& command = model.words()[*word];
  target.kind = Target::Kind::Command;
  target.name = command.text;
  target.span = command.span;
  target.command = findCommand(command.text);
  for (const OneWordCommand& row : oneWordCommands())
    if (row.word == command.text) target.oneWord = &row;
  return target;
}

// The line a `goto` that looks for `name` from statement `from` goes on
// after: the nearest label line at or before it, else the first after it.
const LabelLine* jumpTarget(const ScriptModel& model, std::string_view name,
                            std::uint32_t from) {
  std::vector<const LabelLine*> lines = model.labelLines(name);
  const LabelLine* found = nullptr;
  for (const LabelLine* line : lines)
    if (line->statement <= from) found = line;
  if (found == nullptr && !lines.empty()) found = lines.front();
  return found;
}

std::string commandHover(const Command& command) {
  std::string text = "```corvel\n" + std::string(commandSynopsis(command)) +
                     "\n```\n\n" + std::string(command.help.summary);
  if (!command.help.faults.empty()) {
    text += "\n\nFaults:\n";
    std::string_view faults = command.help.faults;
    while (!faults.empty()) {
      std::size_t end = faults.find('\n');
      if (end == std::string_view::npos) end = faults.size();
      text += "- " + std::string(faults.substr(0, end)) + "\n";
      faults.remove_prefix(std::min(end + 1, faults.size()));
    }
  }
  return text;
}

std::string variableHover(const ScriptModel& model, std::string_view name) {
  std::string text;
  if (const Occurrence* declaration = model.declarationOf(name)) {
    std::uint32_t line = model.statements()[declaration->statement].line;
    text = "```corvel\n" + std::string(declaration->type) + " $" +
           std::string(name) + "\n```\n\nDeclared " +
           std::string(declaration->type) + " on line " + std::to_string(line) +
           ".";
  } else if (model.isDeclared(name)) {
    text = "```corvel\nstring $" + std::string(name) +
           "\n```\n\nPredefined string: " +
           (name == "HOME" ? "the user's home directory."
                           : "the user's login name.");
  } else {
    text = "`$" + std::string(name) +
           "` is declared nowhere in this script: reading it ends the run "
           "with \"Not declared\".";
  }
  return text;
}

std::string labelHover(const ScriptModel& model, const Target& target) {
  std::string shown =
      target.name.empty() ? "the empty label" : "label `" + target.name + "`";
  std::string text;
  if (target.jump != nullptr) {
    const LabelLine* line =
        jumpTarget(model, target.name, target.jump->statement);
    if (line == nullptr) {
      return "No line carries " + shown + ", so this goto ends the run.";
    }
    text = "Goes on after line " +
           std::to_string(model.statements()[line->statement].line) +
           ", which carries " + shown + ".";
  } else {
    text = "Line of " + shown + ".";
  }
  std::vector<std::uint32_t> from;
  for (const Jump* jump : model.jumpsTo(target.name))
    from.push_back(model.statements()[jump->statement].line);
  if (from.empty()) {
    text += "\n\nNo goto with a fixed label jumps to it.";
  } else {
    text += "\n\nJumped to from line" +
            std::string(from.size() > 1 ? "s " : " ") + lineList(from) + ".";
  }
  return text;
}

// Whether `c` ends a partly typed name, going back from the cursor.
bool endsName(char c) {
  return isTrimmed(c) || c == '[' || c == ']' || c == '(' || c == ')' ||
         c == ';' || c == '$' || c == '#' || c == '*' || c == '\\';
}

// The brackets still open at the end of `text`, which is part of one line.
int openBrackets(std::string_view text) {
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      ++i;
    } else if (c == '[' || c == '(') {
      ++depth;
    } else if ((c == ']' || c == ')') && depth > 0) {
      --depth;
    }
  }
  return depth;
}

json completionItem(std::string_view label, int kind, std::string_view detail,
                    std::string_view documentation, const json& range) {
  json item = {{"label", label}, {"kind", kind}, {"detail", detail}};
  if (!documentation.empty())
    item["documentation"] = {{"kind", "markdown"}, {"value", documentation}};
  if (!range.is_null())
    item["textEdit"] = {{"range", range}, {"newText", label}};
  return item;
}

// The names a rename may give: nothing that ends a word, starts a group or a
// reference, or escapes.
bool isValidName(std::string_view name, bool label) {
  if (name.empty() || name.starts_with("//")) return false;
  if (label && name.starts_with("*")) return false;
  if (!isValidUtf8(name)) return false;
  return std::none_of(name.begin(), name.end(), [&](char c) {
    return isTrimmed(c) || c == ';' || c == '[' || c == ']' || c == '(' ||
           c == ')' || c == '\\' || c == '$' || (!label && c == '#');
  });
}

// The places a rename of `target` rewrites, or a refusal.
std::vector<Span> renameSpans(const ScriptModel& model, const Target& target) {
  std::vector<Span> spans;
  if (target.kind == Target::Kind::Variable) {
    if (!model.declarationOf(target.name) && model.isDeclared(target.name))
      throw Refusal{kRequestFailed,
                    "$" + target.name + " is predefined and keeps its name"};
    for (const Occurrence* occurrence : model.occurrencesOf(target.name)) {
      if (!occurrence->plain)
        throw Refusal{
            kRequestFailed,
            "$" + target.name + " is written with escapes on line " +
                std::to_string(model.statements()[occurrence->statement].line)};
      spans.push_back(occurrence->span);
    }
    return spans;
  }
  if (target.kind == Target::Kind::Label && !target.name.empty()) {
    for (const LabelLine* line : model.labelLines(target.name)) {
      if (!line->plain)
        throw Refusal{
            kRequestFailed,
            "the label is written with escapes on line " +
                std::to_string(model.statements()[line->statement].line)};
      spans.push_back(line->span);
    }
    for (const Jump* jump : model.jumpsTo(target.name)) {
      if (!jump->plain)
        throw Refusal{
            kRequestFailed,
            "the goto on line " +
                std::to_string(model.statements()[jump->statement].line) +
                " writes the label with escapes"};
      spans.push_back(jump->span);
    }
    std::sort(spans.begin(), spans.end(),
              [](Span a, Span b) { return a.begin < b.begin; });
    return spans;
  }
  throw Refusal{kRequestFailed,
                "only a variable or a label can be renamed here"};
}

}  // namespace

json hover(const Document& document, ProtocolPosition position) {
  const ScriptModel& model = document.model();
  Target target = targetAt(model, document.offsetOf(position));
  std::string text;
  switch (target.kind) {
    case Target::Kind::None:
      return nullptr;
    case Target::Kind::Variable:
      text = variableHover(model, target.name);
      break;
    case Target::Kind::Label:
      text = labelHover(model, target);
      break;
    case Target::Kind::Command:
      if (target.command != nullptr) {
        text = commandHover(*target.command);
      } else if (target.oneWord != nullptr) {
        text = "```corvel\n" + std::string(target.oneWord->word) + "\n```\n\n" +
               std::string(target.oneWord->summary);
      } else {
        return nullptr;
      }
      break;
  }
  return {{"contents", {{"kind", "markdown"}, {"value", text}}},
          {"range", rangeJson(document, target.span)}};
}

json completion(const Document& document, ProtocolPosition position) {
  const ScriptModel& model = document.model();
  const SourceMap& map = model.map();
  std::size_t offset = document.offsetOf(position);
  std::size_t lineStart = map.lineStart(map.lineOf(offset));
  std::string_view prefix =
      std::string_view(document.text()).substr(lineStart, offset - lineStart);
  std::size_t begin = prefix.size();
  while (begin > 0 && !endsName(prefix[begin - 1])) --begin;
  json range = rangeJson(document, {lineStart + begin, offset});
  json items = json::array();
  // After a `$`, in a literal too: the variables.
  if (begin > 0 && prefix[begin - 1] == '$') {
    for (std::string_view name : kPredefinedVariables)
      items.push_back(completionItem(name, kCompletionVariable,
                                     "string (predefined)", "", range));
    for (std::string_view name : model.declaredNames()) {
      if (std::find(std::begin(kPredefinedVariables),
                    std::end(kPredefinedVariables),
                    name) != std::end(kPredefinedVariables))
        continue;
      const Occurrence* declaration = model.declarationOf(name);
      std::string detail =
          std::string(declaration->type) + ", line " +
          std::to_string(model.statements()[declaration->statement].line);
      items.push_back(
          completionItem(name, kCompletionVariable, detail, "", range));
    }
    return items;
  }
  // After `goto [`, with or without a `*`: the labels.
  std::size_t at = begin;
  if (at > 0 && prefix[at - 1] == '*') --at;
  if (at > 0 && prefix[at - 1] == '[') {
    std::size_t end = at - 1;
    while (end > 0 && (prefix[end - 1] == ' ' || prefix[end - 1] == '\t'))
      --end;
    std::size_t word = end;
    while (word > 0 && !endsName(prefix[word - 1])) --word;
    if (end > word && prefix.substr(word, end - word) == "goto") {
      std::vector<std::string_view> seen;
      for (const LabelLine& label : model.labels()) {
        if (label.name.empty() ||
            std::find(seen.begin(), seen.end(), label.name) != seen.end())
          continue;
        seen.push_back(label.name);
        std::string detail =
            "label, line " +
            std::to_string(model.statements()[label.statement].line);
        items.push_back(completionItem(label.name, kCompletionReference, detail,
                                       "", range));
      }
    }
    return items;
  }
  // Where a statement starts: the commands.
  std::size_t start = begin;
  while (start > 0 && (prefix[start - 1] == ' ' || prefix[start - 1] == '\t'))
    --start;
  bool statementStart =
      start == 0 || (prefix[start - 1] == ';' &&
                     openBrackets(prefix.substr(0, start - 1)) == 0);
  // Inside a bracket opened on an earlier line, nothing starts.
  if (std::optional<std::uint32_t> word = model.wordAt(offset)) {
    const ModelWord& inside = model.words()[*word];
    if (inside.span.begin < lineStart && inside.role != WordRole::Command &&
        inside.role != WordRole::Unknown)
      statementStart = false;
  }
  if (!statementStart) return items;
  for (const Command& command : commandRows()) {
    items.push_back(completionItem(command.word, kCompletionFunction,
                                   commandSynopsis(command),
                                   command.help.summary, range));
  }
  for (const OneWordCommand& command : oneWordCommands()) {
    items.push_back(completionItem(command.word, kCompletionKeyword,
                                   command.word, command.summary, range));
  }
  return items;
}

json signatureHelp(const Document& document, ProtocolPosition position) {
  const ScriptModel& model = document.model();
  std::size_t offset = document.offsetOf(position);
  const std::vector<ModelStatement>& statements = model.statements();
  auto after = std::upper_bound(statements.begin(), statements.end(), offset,
                                [](std::size_t at, const ModelStatement& s) {
                                  return at < s.span.begin;
                                });
  if (after == statements.begin()) return nullptr;
  const ModelStatement& statement = *(after - 1);
  // Past its last word, the statement goes on only over blanks.
  if (offset > statement.span.end) {
    std::string_view between =
        std::string_view(document.text())
            .substr(statement.span.end, offset - statement.span.end);
    if (between.find_first_not_of(" \t") != std::string_view::npos)
      return nullptr;
  }
  const Command* command = statement.command;
  if (command == nullptr) return nullptr;
  std::uint32_t active = 1;
  for (std::uint32_t i = 1; i <= statement.wordCount; ++i) {
    const ModelWord& word = model.word(statement, i);
    if (word.span.contains(offset)) {
      active = i;
      break;
    }
    if (word.span.end < offset) active = i + 1;
  }
  std::string_view synopsis = commandSynopsis(*command);
  json parameters = json::array();
  std::size_t i = synopsis.find(' ');
  while (i != std::string_view::npos) {
    std::size_t begin = i + 1;
    std::size_t end = synopsis.find(' ', begin);
    std::size_t stop = end == std::string_view::npos ? synopsis.size() : end;
    parameters.push_back({{"label", {begin, stop}}});
    i = end;
  }
  json signature = {
      {"label", synopsis},
      {"documentation",
       {{"kind", "markdown"}, {"value", std::string(command->help.summary)}}},
      {"parameters", parameters}};
  std::size_t parameter = active >= 2 ? active - 2 : 0;
  // A form that repeats its last word ("print TEXT...") stays on it.
  if (!parameters.empty() && parameter >= parameters.size())
    parameter = parameters.size() - 1;
  return {{"signatures", json::array({signature})},
          {"activeSignature", 0},
          {"activeParameter", parameter}};
}

json definition(const Document& document, std::string_view uri,
                ProtocolPosition position) {
  const ScriptModel& model = document.model();
  Target target = targetAt(model, document.offsetOf(position));
  if (target.kind == Target::Kind::Variable) {
    const Occurrence* declaration = model.declarationOf(target.name);
    if (declaration == nullptr) return nullptr;
    return locationJson(document, uri, declaration->span);
  }
  if (target.kind == Target::Kind::Label) {
    if (target.jump == nullptr) return locationJson(document, uri, target.span);
    const LabelLine* line =
        jumpTarget(model, target.name, target.jump->statement);
    if (line == nullptr) return nullptr;
    Span span = line->span;
    if (span.begin == span.end) span = model.statements()[line->statement].span;
    return locationJson(document, uri, span);
  }
  return nullptr;
}

namespace {

// The places that name what stands at `position`, with whether each one
// sets it (a declaration, a label line) or reads it.
std::vector<std::pair<Span, bool>> occurrencesAt(const Document& document,
                                                 ProtocolPosition position) {
  const ScriptModel& model = document.model();
  Target target = targetAt(model, document.offsetOf(position));
  std::vector<std::pair<Span, bool>> found;
  if (target.kind == Target::Kind::Variable) {
    for (const Occurrence* occurrence : model.occurrencesOf(target.name))
      found.push_back({occurrence->span, occurrence->declaration});
  } else if (target.kind == Target::Kind::Label) {
    for (const LabelLine* line : model.labelLines(target.name))
      if (line->span.end > line->span.begin)
        found.push_back({line->span, true});
    for (const Jump* jump : model.jumpsTo(target.name)) {
      Span span = jump->span;
      if (!jump->plain)
        span = model.word(model.statements()[jump->statement], 2).span;
      found.push_back({span, false});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
      return a.first.begin < b.first.begin;
    });
  }
  return found;
}

}  // namespace

json references(const Document& document, std::string_view uri,
                ProtocolPosition position, bool withDeclarations) {
  json list = json::array();
  for (const auto& [span, sets] : occurrencesAt(document, position)) {
    if (sets && !withDeclarations) continue;
    list.push_back(locationJson(document, uri, span));
  }
  return list;
}

json highlights(const Document& document, ProtocolPosition position) {
  json list = json::array();
  for (const auto& [span, sets] : occurrencesAt(document, position)) {
    list.push_back({{"range", rangeJson(document, span)},
                    {"kind", sets ? kHighlightWrite : kHighlightRead}});
  }
  return list;
}

json documentSymbols(const Document& document) {
  const ScriptModel& model = document.model();
  json list = json::array();
  const std::vector<LabelLine>& labels = model.labels();
  std::size_t label = 0;
  // Labels and first declarations, in the order of the script: the labels
  // before `offset` go first.
  auto labelsBefore = [&](std::size_t offset) {
    for (; label < labels.size() && labels[label].span.begin <= offset;
         ++label) {
      const LabelLine& line = labels[label];
      if (line.name.empty()) continue;
      list.push_back(
          {{"name", "*" + std::string(line.name)},
           {"detail", "label"},
           {"kind", kSymbolFunction},
           {"range",
            rangeJson(document, model.statements()[line.statement].span)},
           {"selectionRange", rangeJson(document, line.span)}});
    }
  };
  for (const Occurrence& occurrence : model.occurrences()) {
    if (!occurrence.declaration ||
        model.declarationOf(occurrence.name) != &occurrence)
      continue;
    labelsBefore(occurrence.span.begin);
    list.push_back(
        {{"name", "$" + std::string(occurrence.name)},
         {"detail", occurrence.type},
         {"kind", kSymbolVariable},
         {"range", rangeJson(document, model.words()[occurrence.word].span)},
         {"selectionRange", rangeJson(document, occurrence.span)}});
  }
  labelsBefore(model.source().size());
  return list;
}

json prepareRename(const Document& document, ProtocolPosition position) {
  const ScriptModel& model = document.model();
  Target target = targetAt(model, document.offsetOf(position));
  renameSpans(model, target);
  return {{"range", rangeJson(document, target.span)},
          {"placeholder", target.name}};
}

json rename(const Document& document, std::string_view uri,
            ProtocolPosition position, std::string_view newName) {
  const ScriptModel& model = document.model();
  Target target = targetAt(model, document.offsetOf(position));
  std::vector<Span> spans = renameSpans(model, target);
  bool label = target.kind == Target::Kind::Label;
  // A `$` typed before a variable's new name is the author's habit, not part
  // of the name.
  if (!label && newName.starts_with("$")) newName.remove_prefix(1);
  if (label && newName.size() > 1 && newName.starts_with("*"))
    newName.remove_prefix(1);
  std::string shown = (label ? "*" : "$") + std::string(newName);
  if (!isValidName(newName, label))
    throw Refusal{kRequestFailed,
                  "'" + shown + "' is not a valid " +
                      (label ? "label" : "variable name") +
                      ": it must not be empty, nor hold a blank, ';', a "
                      "bracket, a backslash, a '$'" +
                      (label ? "" : " or a '#'")};
  if (newName == target.name) return {{"changes", json::object()}};
  if (label) {
    std::vector<const LabelLine*> lines = model.labelLines(newName);
    if (!lines.empty())
      throw Refusal{kRequestFailed,
                    "'" + shown + "' is already a label, on line " +
                        std::to_string(
                            model.statements()[lines.front()->statement].line)};
  } else {
    std::vector<const Occurrence*> uses = model.occurrencesOf(newName);
    if (model.isDeclared(newName) || !uses.empty()) {
      std::string where =
          uses.empty()
              ? std::string(" (predefined)")
              : ", on line " +
                    std::to_string(
                        model.statements()[uses.front()->statement].line);
      throw Refusal{kRequestFailed,
                    "'" + shown + "' already names a variable" + where};
    }
  }
  json edits = json::array();
  for (Span span : spans)
    edits.push_back(
        {{"range", rangeJson(document, span)}, {"newText", newName}});
  return {{"changes", {{std::string(uri), edits}}}};
}

namespace {

json diagnosticJson(const Document& document, const Finding& finding) {
  return {{"range", rangeJson(document, finding.span)},
          {"severity", finding.error ? kSeverityError : kSeverityWarning},
          {"code", finding.code},
          {"source", "corvel-check"},
          {"message", finding.message}};
}

}  // namespace

json diagnostics(const Document& document) {
  json list = json::array();
  for (const Finding& finding : document.findings())
    list.push_back(diagnosticJson(document, finding));
  return list;
}

json codeActions(const Document& document, std::string_view uri,
                 ProtocolPosition start, ProtocolPosition end) {
  std::size_t from = document.offsetOf(start);
  std::size_t to = document.offsetOf(end);
  if (to < from) std::swap(from, to);
  json actions = json::array();
  for (const Finding& finding : document.findings()) {
    if (!finding.fix) continue;
    if (finding.span.end < from || finding.span.begin > to) continue;
    json diagnostic = diagnosticJson(document, finding);
    json edit = {{"range", rangeJson(document, finding.fix->span)},
                 {"newText", finding.fix->text}};
    actions.push_back(
        {{"title", finding.fix->title},
         {"kind", "quickfix"},
         {"isPreferred", true},
         {"diagnostics", json::array({diagnostic})},
         {"edit", {{"changes", {{std::string(uri), json::array({edit})}}}}}});
  }
  return actions;
}

}  // namespace corvel
