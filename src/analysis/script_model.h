// One reading of a script for tools: its statements and words with where they
// stand, the variables declared and used, the labels, the jumps and the
// blocks. Made with the interpreter's own loader and command table; nothing of
// the script runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/source_map.h"
#include "interpreter/command_table.h"
#include "interpreter/loader.h"
#include "values/variable_list.h"

namespace corvel {

// A stretch of the script, in bytes: `begin` included, `end` not.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;

  bool operator==(const Span&) const = default;
  bool contains(std::size_t offset) const {
    return offset >= begin && offset <= end;
  }
};

// What a word is to the line it stands in.
enum class WordRole : std::uint8_t {
  Command,    // word 1, a command word
  Unknown,    // word 1, no command
  Label,      // the name of a label line
  Name,       // a variable name the command takes or declares
  Evaluated,  // a word the command evaluates
  Operator,   // the comparison of an `if`
  Brace,      // the `{` that ends an `if` line, the `}` that starts a line
  Inert,      // any other word: it does nothing
};

// One word as the loader gives it.
struct ModelWord {
  // Where it stands, trimmed as the loader trims it.
  Span span;
  // Its text, escapes decoded.
  std::string_view text;
  // It holds an escape, so its text is not a view of the script.
  bool escaped = false;
  WordRole role = WordRole::Inert;
};

enum class StatementKind : std::uint8_t {
  Command,    // a command of the table, declarations included
  OneWord,    // beep, exit, terminate or wait alone
  Label,      // *name, or * followed by a name
  BlockEnd,   // a line whose first word is }
  Comment,    // a line that looks like a comment (# or //): it does nothing
  Directive,  // //nocheck CODE...: silences warnings of its line
  Shebang,    // #! on the first line
  NoCommand,  // no command: it does nothing, or, one character, ends the run
};

struct ModelStatement {
  // From the start of its first word to the end of its last.
  Span span;
  // 1-based, as messages count lines.
  std::uint32_t line = 0;
  std::uint32_t firstWord = 0;
  std::uint32_t wordCount = 0;
  StatementKind kind = StatementKind::NoCommand;
  // The row of word 1 when it is a command of the table.
  const Command* command = nullptr;
  // It holds a bracket never closed, which takes in the rest of the script.
  bool swallowing = false;
};

// A variable named at a place of the script.
struct Occurrence {
  std::string_view name;
  // The name's bytes, without the `$`.
  Span span;
  std::uint32_t statement = 0;
  std::uint32_t word = 0;
  // A name on a declaration line; `type` is its type word.
  bool declaration = false;
  std::string_view type;
  // A reference inside a string literal.
  bool inLiteral = false;
  // The name is written as the script's bytes, so renaming may rewrite it.
  bool plain = true;
};

// A label that a line carries.
struct LabelLine {
  std::string_view name;
  // The name's bytes; empty for the empty label of a lone `*`.
  Span span;
  std::uint32_t statement = 0;
  // Written `* name`, with a blank after the star.
  bool spaced = false;
  bool plain = true;
};

// A `goto` line.
struct Jump {
  std::uint32_t statement = 0;
  // The label it looks for, when its word fixes it.
  std::optional<std::string> label;
  // Where the label stands inside the word.
  Span span;
  // The label is written there as is.
  bool plain = false;
  // The word is a bare word, which looks for the empty label.
  bool bare = false;
};

// An `if ... {` line and the `}` line that ends its skip.
struct Block {
  std::uint32_t open = 0;
  std::optional<std::uint32_t> close;
};

// The variables every script has before its first line.
inline constexpr std::string_view kPredefinedVariables[] = {"HOME", "USER"};

// Whether `word` starts a line that looks like a comment: # or //.
bool looksLikeComment(std::string_view word);
// Whether `word` is a declaration command.
bool isDeclaration(std::string_view word);

class ScriptModel {
 public:
  // Reads `source`, which must outlive the model.
  explicit ScriptModel(std::string_view source);
  ScriptModel(const ScriptModel&) = delete;
  ScriptModel& operator=(const ScriptModel&) = delete;

  std::string_view source() const { return source_; }
  const SourceMap& map() const { return map_; }
  const std::vector<ModelStatement>& statements() const { return statements_; }
  const std::vector<ModelWord>& words() const { return words_; }
  const ModelWord& word(const ModelStatement& statement,
                        std::size_t number) const {
    return words_[statement.firstWord + number - 1];
  }
  const std::vector<Occurrence>& occurrences() const { return occurrences_; }
  const std::vector<LabelLine>& labels() const { return labels_; }
  const std::vector<Jump>& jumps() const { return jumps_; }
  const std::vector<Block>& blocks() const { return blocks_; }
  // The load fault that stops the script, if any; the statements before it
  // are read.
  const std::optional<LoadFault>& fault() const { return fault_; }
  // Where the outermost bracket never closed was opened.
  std::optional<std::size_t> openGroup() const { return openGroup_; }
  // The script loads: checks that need all of it can be made.
  bool whole() const { return !fault_.has_value(); }

  // The word at byte `offset` (its end included), or nothing.
  std::optional<std::uint32_t> wordAt(std::size_t offset) const;
  // The statement that holds the word `word`.
  std::uint32_t statementOfWord(std::uint32_t word) const;
  // The occurrence, label or jump whose name holds `offset` (its end
  // included), or nothing.
  const Occurrence* occurrenceAt(std::size_t offset) const;
  const LabelLine* labelAt(std::size_t offset) const;
  const Jump* jumpAt(std::size_t offset) const;

  // The first declaration of `name`, or nothing (a predefined variable has
  // none).
  const Occurrence* declarationOf(std::string_view name) const;
  // Whether `name` is declared somewhere or predefined.
  bool isDeclared(std::string_view name) const;
  // Every occurrence of `name`, in the order of the script.
  std::vector<const Occurrence*> occurrencesOf(std::string_view name) const;
  // The label lines for `name` and the jumps that look for it, in order.
  std::vector<const LabelLine*> labelLines(std::string_view name) const;
  std::vector<const Jump*> jumpsTo(std::string_view name) const;
  // Every variable name declared, in the order of first declaration.
  const std::vector<std::string_view>& declaredNames() const {
    return declaredNames_;
  }

 private:
  void read();
  void addStatement(const Statement& statement);
  void classify(std::uint32_t index);
  void addName(std::uint32_t index, std::uint32_t number, bool declaration,
               std::string_view type);
  void addValue(std::uint32_t index, std::uint32_t number);
  void addLiteralReferences(std::uint32_t index, std::uint32_t number);
  void addLabel(std::uint32_t index);
  void addJump(std::uint32_t index);
  void findBlocks();
  void index();
  // Whether the script's bytes at `span` are `text`, so that a rewrite there
  // changes exactly that text.
  bool writtenAs(Span span, std::string_view text) const;
  // The source offset of byte `at` of the text of word `number`.
  std::size_t sourceOffset(std::uint32_t word, std::size_t at) const;

  std::string_view source_;
  SourceMap map_;
  std::vector<ModelStatement> statements_;
  std::vector<ModelWord> words_;
  // The texts of words with escapes, and where each of their bytes came from.
  std::deque<std::string> decoded_;
  std::deque<std::vector<std::size_t>> decodedOffsets_;
  std::vector<std::uint32_t> offsetsOfWord_;
  std::vector<Occurrence> occurrences_;
  std::vector<LabelLine> labels_;
  std::vector<Jump> jumps_;
  std::vector<Block> blocks_;
  std::optional<LoadFault> fault_;
  std::optional<std::size_t> openGroup_;
  NameMap<std::vector<std::uint32_t>> byName_;
  NameMap<std::vector<std::uint32_t>> labelsByName_;
  NameMap<std::vector<std::uint32_t>> jumpsByName_;
  std::vector<std::string_view> declaredNames_;
};

}  // namespace corvel
