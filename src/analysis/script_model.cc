// One reading of a script for tools: its statements and words with where they
// stand, the variables declared and used, the labels, the jumps and the
// blocks. Made with the interpreter's own loader and command table; nothing of
// the script runs.
#include "analysis/script_model.h"

#include <algorithm>

#include "base/text.h"

namespace corvel {

namespace {

bool encloses(std::string_view text, char open, char close) {
  return text.size() >= 2 && text.front() == open && text.back() == close;
}

// Finds the item whose span holds `offset` in `items`, ordered by where their
// spans start.
template <typename T>
const T* spanAt(const std::vector<T>& items, std::size_t offset) {
  auto after = std::upper_bound(
      items.begin(), items.end(), offset,
      [](std::size_t at, const T& item) { return at < item.span.begin; });
  while (after != items.begin()) {
    --after;
    if (after->span.contains(offset) && after->span.end > after->span.begin)
      return &*after;
    // Spans do not overlap, so an earlier one that ends before `offset` is the
    // last candidate.
    if (after->span.end < offset) break;
  }
  return nullptr;
}

}  // namespace

bool looksLikeComment(std::string_view word) {
  return word.starts_with("#") || word.starts_with("//");
}

bool isDeclaration(std::string_view word) {
  return word == "int" || word == "string" || word == "array" || word == "file";
}

ScriptModel::ScriptModel(std::string_view source)
    : source_(source), map_(source) {
  read();
}

void ScriptModel::read() {
  StatementCutter cutter(source_);
  Statement statement;
  for (;;) {
    StatementCutter::Step step = cutter.next(statement);
    if (step == StatementCutter::Step::Fault) {
      fault_ = cutter.fault();
      break;
    }
    if (step == StatementCutter::Step::End) break;
    addStatement(statement);
  }
  if (!fault_ && !cutter.openGroups().empty()) {
    openGroup_ = cutter.openGroups().front();
    if (!statements_.empty()) statements_.back().swallowing = true;
  }
  for (std::uint32_t i = 0; i < statements_.size(); ++i) classify(i);
  findBlocks();
  index();
}

void ScriptModel::addStatement(const Statement& statement) {
  ModelStatement& added = statements_.emplace_back();
  added.firstWord = static_cast<std::uint32_t>(words_.size());
  added.wordCount = static_cast<std::uint32_t>(statement.words.size());
  for (const RawWord& raw : statement.words) {
    ModelWord& word = words_.emplace_back();
    word.escaped = raw.escaped;
    if (!raw.escaped) {
      word.span = {raw.begin, raw.end};
      word.text = plainWord(source_, raw);
      offsetsOfWord_.push_back(UINT32_MAX);
      continue;
    }
    // The text is decoded here rather than with decodeWord so that every byte
    // keeps the place it came from.
    std::string& text = decoded_.emplace_back();
    std::vector<std::size_t>& from = decodedOffsets_.emplace_back();
    for (std::size_t i = raw.begin; i < raw.end; ++i) {
      char c = source_[i];
      if (c == '\\' && i + 1 < raw.end) {
        // An escaped byte stands where its backslash does; the dollar of `\$`
        // keeps a place of its own after it.
        char next = source_[i + 1];
        if (next == '$') {
          text += '\\';
          from.push_back(i);
        }
        text += escapedByte(next);
        from.push_back(next == '$' ? i + 1 : i);
        ++i;
        continue;
      }
      text += c;
      from.push_back(i);
    }
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimmed(text[begin])) ++begin;
    while (end > begin && isTrimmed(text[end - 1])) --end;
    text.erase(end);
    text.erase(0, begin);
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(end), from.end());
    from.erase(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(begin));
    word.text = text;
    if (from.empty()) {
      word.span = {raw.begin, raw.end};
    } else {
      std::size_t last = from.back();
      word.span = {from.front(), last + (source_[last] == '\\' ? 2 : 1)};
    }
    offsetsOfWord_.push_back(static_cast<std::uint32_t>(decoded_.size() - 1));
  }
  added.span = {words_[added.firstWord].span.begin, words_.back().span.end};
  added.line = map_.lineOf(added.span.begin) + 1;
}

std::size_t ScriptModel::sourceOffset(std::uint32_t word,
                                      std::size_t at) const {
  const ModelWord& w = words_[word];
  if (!w.escaped) return w.span.begin + at;
  const std::vector<std::size_t>& from = decodedOffsets_[offsetsOfWord_[word]];
  return at < from.size() ? from[at] : w.span.end;
}

bool ScriptModel::writtenAs(Span span, std::string_view text) const {
  return span.end >= span.begin && span.end <= source_.size() &&
         source_.substr(span.begin, span.end - span.begin) == text;
}

void ScriptModel::classify(std::uint32_t index) {
  ModelStatement& statement = statements_[index];
  ModelWord& first = words_[statement.firstWord];
  std::string_view word = first.text;
  auto roles = [&](WordRole role) {
    for (std::uint32_t i = 2; i <= statement.wordCount; ++i)
      words_[statement.firstWord + i - 1].role = role;
  };
  if (word == "}") {
    statement.kind = StatementKind::BlockEnd;
    first.role = WordRole::Brace;
    return;
  }
  if (index == 0 && statement.line == 1 && word.starts_with("#!")) {
    statement.kind = StatementKind::Shebang;
    return;
  }
  if (word == "//nocheck") {
    statement.kind = StatementKind::Directive;
    return;
  }
  if (looksLikeComment(word)) {
    statement.kind = StatementKind::Comment;
    return;
  }
  if (word.starts_with("*")) {
    statement.kind = StatementKind::Label;
    addLabel(index);
    return;
  }
  const Command* command = findCommand(word);
  if (command == nullptr) {
    bool oneWord = false;
    for (const OneWordCommand& row : oneWordCommands())
      oneWord = oneWord || row.word == word;
    if (oneWord && statement.wordCount == 1) {
      statement.kind = StatementKind::OneWord;
      first.role = WordRole::Command;
      return;
    }
    statement.kind = StatementKind::NoCommand;
    first.role = WordRole::Unknown;
    // The variables of a line that does nothing still count as written, so
    // that renaming one does not leave its old name behind.
    for (std::uint32_t i = 2; i <= statement.wordCount; ++i) {
      const ModelWord& w = words_[statement.firstWord + i - 1];
      if (w.text.starts_with("$") || encloses(w.text, '[', ']') ||
          encloses(w.text, '(', ')'))
        addValue(index, i);
    }
    return;
  }
  statement.kind = StatementKind::Command;
  statement.command = command;
  first.role = WordRole::Command;
  if (isDeclaration(word)) {
    roles(WordRole::Name);
    for (std::uint32_t i = 2; i <= statement.wordCount; ++i) {
      // A word that looks like a comment ends the names an author meant.
      if (looksLikeComment(words_[statement.firstWord + i - 1].text)) break;
      addName(index, i, true, command->word);
    }
    return;
  }
  // `cin` ignores the words after its variable.
  std::uint32_t last =
      word == "cin" ? std::min(statement.wordCount, 2u) : statement.wordCount;
  for (std::uint32_t i = 2; i <= last; ++i) {
    ModelWord& w = words_[statement.firstWord + i - 1];
    if (word == "if" && i == 3) {
      w.role = WordRole::Operator;
    } else if (word == "if" && i == 5) {
      w.role = w.text == "{" ? WordRole::Brace : WordRole::Inert;
    } else if (takesName(*command, i)) {
      w.role = WordRole::Name;
      addName(index, i, false, {});
    } else {
      w.role = WordRole::Evaluated;
      addValue(index, i);
    }
  }
  if (word == "goto" && statement.wordCount == 2) addJump(index);
}

void ScriptModel::addName(std::uint32_t index, std::uint32_t number,
                          bool declaration, std::string_view type) {
  const ModelStatement& statement = statements_[index];
  std::uint32_t at = statement.firstWord + number - 1;
  std::string_view text = words_[at].text;
  if (text == "$" || text.starts_with("[") || text.starts_with("(")) return;
  std::size_t skip = text.starts_with("$") ? 1 : 0;
  Occurrence& occurrence = occurrences_.emplace_back();
  occurrence.name = text.substr(skip);
  occurrence.span = {sourceOffset(at, skip), words_[at].span.end};
  occurrence.statement = index;
  occurrence.word = at;
  occurrence.declaration = declaration;
  occurrence.type = type;
  occurrence.plain = writtenAs(occurrence.span, occurrence.name);
}

void ScriptModel::addValue(std::uint32_t index, std::uint32_t number) {
  const ModelStatement& statement = statements_[index];
  std::uint32_t at = statement.firstWord + number - 1;
  const ModelWord& word = words_[at];
  std::string_view text = word.text;
  auto add = [&](std::size_t begin, std::size_t end) {
    Occurrence& occurrence = occurrences_.emplace_back();
    occurrence.name = text.substr(begin, end - begin);
    occurrence.span = {sourceOffset(at, begin), end == text.size()
                                                    ? word.span.end
                                                    : sourceOffset(at, end)};
    occurrence.statement = index;
    occurrence.word = at;
    occurrence.plain = writtenAs(occurrence.span, occurrence.name);
    return &occurrence;
  };
  if (text.starts_with("$")) {
    if (text.size() > 1) add(1, text.size());
  } else if (encloses(text, '[', ']')) {
    addLiteralReferences(index, number);
  } else if (encloses(text, '(', ')')) {
    // The operands of arithmetic, split at blanks as authors write them; a
    // word with parentheses inside is not one operation.
    std::string_view inside = text.substr(1, text.size() - 2);
    if (inside.find_first_of("()") != std::string_view::npos) return;
    // An operation written without blanks, `($n+1)`, is one operand to the
    // interpreter, but its author named `n`.
    bool onePart = inside.find(' ') == std::string_view::npos;
    std::size_t i = 1;
    while (i + 1 < text.size()) {
      std::size_t end = text.find(' ', i);
      if (end == std::string_view::npos || end > text.size() - 1)
        end = text.size() - 1;
      if (onePart && end > i + 2) {
        std::size_t op = text.find_first_of("*+-/%", i + 2);
        if (op < end - 1) end = op;
      }
      if (end > i + 1 && text[i] == '$') add(i + 1, end);
      i = end + 1;
    }
  }
}

void ScriptModel::addLiteralReferences(std::uint32_t index,
                                       std::uint32_t number) {
  std::uint32_t at = statements_[index].firstWord + number - 1;
  const ModelWord& word = words_[at];
  std::string_view text = word.text;
  // The body runs from 1 to the closing bracket; a reference runs from its `$`
  // to a blank, a line feed or a `#`, as evaluation reads it.
  std::size_t end = text.size() - 1;
  for (std::size_t i = 1; i < end; ++i) {
    if (text[i] != '$' || (i > 1 && text[i - 1] == '\\')) continue;
    std::size_t stop = i + 1;
    while (stop < end && text[stop] != ' ' && text[stop] != '\n' &&
           text[stop] != '#')
      ++stop;
    Occurrence& occurrence = occurrences_.emplace_back();
    occurrence.name = text.substr(i + 1, stop - i - 1);
    occurrence.span = {sourceOffset(at, i + 1), sourceOffset(at, stop)};
    occurrence.statement = index;
    occurrence.word = at;
    occurrence.inLiteral = true;
    occurrence.plain = writtenAs(occurrence.span, occurrence.name);
    i = stop - 1;
    if (stop < end && text[stop] == '#') ++i;
  }
}

void ScriptModel::addLabel(std::uint32_t index) {
  const ModelStatement& statement = statements_[index];
  ModelWord& first = words_[statement.firstWord];
  first.role = WordRole::Label;
  if (first.text != "*") {
    LabelLine& label = labels_.emplace_back();
    label.name = first.text.substr(1);
    label.span = {sourceOffset(statement.firstWord, 1), first.span.end};
    label.statement = index;
    label.plain = writtenAs(label.span, label.name);
    return;
  }
  // A lone `*` carries the empty label, and the word after it.
  LabelLine& empty = labels_.emplace_back();
  empty.statement = index;
  empty.span = {first.span.end, first.span.end};
  if (statement.wordCount < 2) return;
  ModelWord& second = words_[statement.firstWord + 1];
  second.role = WordRole::Label;
  LabelLine& label = labels_.emplace_back();
  label.name = second.text;
  label.span = second.span;
  label.statement = index;
  label.spaced = true;
  label.plain = writtenAs(label.span, label.name);
}

void ScriptModel::addJump(std::uint32_t index) {
  const ModelStatement& statement = statements_[index];
  std::uint32_t at = statement.firstWord + 1;
  const ModelWord& word = words_[at];
  std::string_view text = word.text;
  Jump& jump = jumps_.emplace_back();
  jump.statement = index;
  if (text.starts_with("$")) return;
  if (encloses(text, '[', ']')) {
    std::string_view body = text.substr(1, text.size() - 2);
    std::string label;
    for (std::size_t i = 0; i < body.size(); ++i) {
      if (body[i] == '$' && !(i > 0 && body[i - 1] == '\\')) return;
      if (!(body[i] == '\\' && i + 1 < body.size() && body[i + 1] == '$'))
        label += body[i];
    }
    std::size_t skip = label.size() > 1 && label.front() == '*' ? 1 : 0;
    jump.label = label.substr(skip);
    jump.span = {sourceOffset(at, 1 + skip), sourceOffset(at, text.size() - 1)};
    jump.plain = writtenAs(jump.span, *jump.label);
    return;
  }
  if (encloses(text, '(', ')')) return;
  // A bare word gives the empty text: the jump looks for the empty label.
  jump.bare = true;
  jump.label = std::string();
}

void ScriptModel::findBlocks() {
  std::size_t firstOpen = 0;
  for (std::uint32_t i = 0; i < statements_.size(); ++i) {
    const ModelStatement& statement = statements_[i];
    if (statement.kind == StatementKind::BlockEnd) {
      // A false block skips to the first `}` line, whichever `if` it was
      // written for, so every block open at that line ends there.
      for (; firstOpen < blocks_.size(); ++firstOpen)
        blocks_[firstOpen].close = i;
      continue;
    }
    if (statement.command != nullptr && statement.command->word == "if" &&
        statement.wordCount == 5 && word(statement, 5).text == "{")
      blocks_.push_back({i, std::nullopt});
  }
}

void ScriptModel::index() {
  NameMap<bool> declared;
  for (std::uint32_t i = 0; i < occurrences_.size(); ++i) {
    const Occurrence& occurrence = occurrences_[i];
    byName_[std::string(occurrence.name)].push_back(i);
    if (occurrence.declaration &&
        declared.try_emplace(std::string(occurrence.name), true).second)
      declaredNames_.push_back(occurrence.name);
  }
  for (std::uint32_t i = 0; i < labels_.size(); ++i)
    labelsByName_[std::string(labels_[i].name)].push_back(i);
  for (std::uint32_t i = 0; i < jumps_.size(); ++i)
    if (jumps_[i].label) jumpsByName_[*jumps_[i].label].push_back(i);
}

std::optional<std::uint32_t> ScriptModel::wordAt(std::size_t offset) const {
  const ModelWord* found = spanAt(words_, offset);
  if (found == nullptr) return std::nullopt;
  return static_cast<std::uint32_t>(found - words_.data());
}

std::uint32_t ScriptModel::statementOfWord(std::uint32_t word) const {
  auto after = std::upper_bound(
      statements_.begin(), statements_.end(), word,
      [](std::uint32_t w, const ModelStatement& s) { return w < s.firstWord; });
  return static_cast<std::uint32_t>(after - statements_.begin() - 1);
}

const Occurrence* ScriptModel::occurrenceAt(std::size_t offset) const {
  return spanAt(occurrences_, offset);
}

const LabelLine* ScriptModel::labelAt(std::size_t offset) const {
  return spanAt(labels_, offset);
}

const Jump* ScriptModel::jumpAt(std::size_t offset) const {
  return spanAt(jumps_, offset);
}

const Occurrence* ScriptModel::declarationOf(std::string_view name) const {
  auto found = byName_.find(name);
  if (found == byName_.end()) return nullptr;
  for (std::uint32_t i : found->second)
    if (occurrences_[i].declaration) return &occurrences_[i];
  return nullptr;
}

bool ScriptModel::isDeclared(std::string_view name) const {
  return declarationOf(name) != nullptr ||
         std::find(std::begin(kPredefinedVariables),
                   std::end(kPredefinedVariables),
                   name) != std::end(kPredefinedVariables);
}

std::vector<const Occurrence*> ScriptModel::occurrencesOf(
    std::string_view name) const {
  std::vector<const Occurrence*> found;
  auto entry = byName_.find(name);
  if (entry == byName_.end()) return found;
  for (std::uint32_t i : entry->second) found.push_back(&occurrences_[i]);
  return found;
}

std::vector<const LabelLine*> ScriptModel::labelLines(
    std::string_view name) const {
  std::vector<const LabelLine*> found;
  auto entry = labelsByName_.find(name);
  if (entry == labelsByName_.end()) return found;
  for (std::uint32_t i : entry->second) found.push_back(&labels_[i]);
  return found;
}

std::vector<const Jump*> ScriptModel::jumpsTo(std::string_view name) const {
  std::vector<const Jump*> found;
  auto entry = jumpsByName_.find(name);
  if (entry == jumpsByName_.end()) return found;
  for (std::uint32_t i : entry->second) found.push_back(&jumps_[i]);
  return found;
}

}  // namespace corvel
