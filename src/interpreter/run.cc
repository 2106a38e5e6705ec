// The run: loads a script, compiles it and runs its instructions to the end.
#include "interpreter/run.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/console.h"
#include "base/fault.h"
#include "files/whole_file.h"
#include "interpreter/compiler.h"
#include "interpreter/loader.h"
#include "interpreter/program.h"

namespace corvel {

namespace {

// What a fault or a trace line names: the script and the statement running.
// Plain pointers: the run ends through _Exit, so nothing here is torn down.
struct Whereabouts {
  const std::string* path = nullptr;
  const Machine* machine = nullptr;
  // While loading, the byte of the fault; afterwards, the statement running.
  bool loading = true;
  std::size_t offset = 0;
  std::unique_ptr<LineIndex> lines;
  // The statements that have had a run-time note, when notes are wanted.
  std::vector<bool> noted;
};
Whereabouts where;

bool environmentFlag(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && std::string_view(value) == "1";
}

// Text for standard error, gathered on the stack: a fault is located even when
// memory has run out.
class ErrorText {
 public:
  ErrorText() = default;
  ErrorText(const ErrorText&) = delete;
  ErrorText& operator=(const ErrorText&) = delete;

  void add(std::string_view text) {
    while (!text.empty()) {
      if (length_ == sizeof buffer_) flush();
      std::size_t room = std::min(text.size(), sizeof buffer_ - length_);
      std::memcpy(buffer_ + length_, text.data(), room);
      length_ += room;
      text.remove_prefix(room);
    }
  }
  void add(char c) { add(std::string_view(&c, 1)); }
  // Adds `text` with `indent` after each of its line feeds.
  void addIndented(std::string_view text, std::string_view indent) {
    for (std::size_t feed = text.find('\n'); feed != std::string_view::npos;
         feed = text.find('\n')) {
      add(text.substr(0, feed + 1));
      add(indent);
      text.remove_prefix(feed + 1);
    }
    add(text);
  }
  void flush() {
    consoleError(std::string_view(buffer_, length_));
    length_ = 0;
  }

 private:
  char buffer_[4096];
  std::size_t length_ = 0;
};

// The line that holds byte `offset` of the script. Without memory to index the
// lines, they are counted.
std::uint32_t lineAt(std::size_t offset, bool memoryLeft) {
  std::string_view source = where.machine->program.source();
  if (!where.lines && memoryLeft)
    where.lines = std::make_unique<LineIndex>(source);
  if (where.lines) return where.lines->lineOf(offset);
  // The index's rule: a line ends at a line feed, or at a carriage return not
  // followed by one.
  std::uint32_t line = 1;
  offset = std::min(offset, source.size());
  for (std::size_t i = 0; i < offset; ++i) {
    if (source[i] == '\n' || (source[i] == '\r' && (i + 1 == source.size() ||
                                                    source[i + 1] != '\n')))
      ++line;
  }
  return line;
}

// Adds `PATH:LINE: ` for byte `offset` of the script.
void describe(std::size_t offset, bool memoryLeft, ErrorText& out) {
  out.add(*where.path);
  out.add(':');
  char digits[12];
  std::to_chars_result written =
      std::to_chars(digits, digits + sizeof digits, lineAt(offset, memoryLeft));
  out.add(
      std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)));
  out.add(": ");
}

std::string_view statementAt(std::size_t offset) {
  return statementText(where.machine->program.source(), offset);
}

// The line of the script that holds byte `offset`, for a fault found while
// loading, when no statement is complete yet.
std::string_view sourceLineAt(std::size_t offset) {
  std::string_view source = where.machine->program.source();
  offset = std::min(offset, source.size());
  std::size_t begin = source.rfind('\n', offset == 0 ? 0 : offset - 1);
  begin = begin == std::string_view::npos || offset == 0 ? 0 : begin + 1;
  std::size_t end = source.find('\n', offset);
  if (end == std::string_view::npos) end = source.size();
  std::string_view line = source.substr(begin, end - begin);
  while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

void locateFault(std::string_view message, std::uint32_t statement,
                 bool memoryLeft) {
  if (where.machine == nullptr) return;
  // The message without the line breaks that frame it on standard output.
  while (!message.empty() &&
         (message.front() == '\n' || message.front() == '\r'))
    message.remove_prefix(1);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r'))
    message.remove_suffix(1);
  if (statement == kRunningStatement) statement = where.machine->current;
  std::size_t offset =
      where.loading ? where.offset : where.machine->program.start(statement);
  ErrorText out;
  describe(offset, memoryLeft, out);
  out.add(message);
  out.add('\n');
  // Cutting the statement out takes memory; without it, its first line shows.
  std::string_view shown =
      where.loading || !memoryLeft ? sourceLineAt(offset) : statementAt(offset);
  if (!shown.empty()) {
    out.add("    ");
    out.addIndented(shown, "    ");
    out.add('\n');
  }
  out.flush();
}

// Writes a run-time note about the statement running, unless it had one.
void locateNote(std::string_view text) {
  if (where.machine == nullptr || where.loading) return;
  std::uint32_t pc = where.machine->current;
  if (pc >= where.noted.size() || where.noted[pc]) return;
  where.noted[pc] = true;
  ErrorText out;
  describe(where.machine->program.start(pc), true, out);
  out.add("warning: ");
  out.add(text);
  out.add('\n');
  out.flush();
}

void trace(const Machine& machine, std::uint32_t pc) {
  if (pc >= machine.program.size()) return;
  std::size_t offset = machine.program.start(pc);
  ErrorText out;
  describe(offset, true, out);
  out.addIndented(statementAt(offset), "    ");
  out.add('\n');
  out.flush();
}

// Runs the script from its first statement, tracing each one (`tracing`) or
// giving run-time notes (`notes`).
[[noreturn, gnu::noinline]] void runVisiting(Machine& machine, bool tracing,
                                             bool notes) {
  // A note about a number written in the script is given when its statement
  // first runs.
  std::vector<const std::string*> firstRun;
  if (notes) {
    where.noted.assign(machine.program.size() + 1, false);
    setNoteLocator(locateNote);
    firstRun.assign(machine.program.size() + 1, nullptr);
    for (const auto& [statement, text] : machine.program.numberNotes())
      firstRun[statement] = &text;
  }
  const Instruction* code = machine.program.code();
  std::uint32_t pc = 0;
  for (;;) {
    if (tracing) trace(machine, pc);
    if (pc < firstRun.size() && firstRun[pc] != nullptr) [[unlikely]] {
      machine.current = pc;
      note(*firstRun[pc]);
      firstRun[pc] = nullptr;
    }
    pc = code[pc].run(machine, code[pc], pc);
  }
}

}  // namespace

void runScript(const std::string& path) {
  std::optional<std::string> source = readWholeFile(path);
  if (!source) fail("Cannot open script: " + path + "\n", 1);
  CompileOptions options;
  options.generic = environmentFlag("CORVEL_GENERIC");
  options.notes = environmentFlag("CORVEL_WARN");
  bool tracing = environmentFlag("CORVEL_TRACE");
  // Both visit every statement on its own, so nothing is fused.
  if (tracing || options.notes) options.fuse = false;
  runSource(path, std::move(*source), options, tracing);
}

void runSource(const std::string& path, std::string source,
               const CompileOptions& options, bool tracing) {
  // The run ends the process from in here, so its state is never torn down.
  Machine machine;
  where.path = &path;
  where.machine = &machine;
  setFaultLocator(locateFault);
  if (std::optional<LoadFault> fault =
          compile(machine, std::move(source), options)) {
    where.offset = fault->offset;
    fail(fault->message, fault->status);
  }
  where.loading = false;
  setStatementCounter(&machine.current);
  const Instruction* code = machine.program.code();
  std::uint32_t pc = 0;
  // The loop that visits every statement is kept apart, so that it costs the
  // plain loop below nothing.
  if (tracing || options.notes) runVisiting(machine, tracing, options.notes);
  for (;;) {
    const Instruction& instruction = code[pc];
    pc = instruction.run(machine, instruction, pc);
  }
}

}  // namespace corvel
