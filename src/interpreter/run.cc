// The run: loads a script, compiles it and runs its instructions to the end.
#include "interpreter/run.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

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
};
Whereabouts where;

bool environmentFlag(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && std::string_view(value) == "1";
}

// Writes `PATH:LINE: ` and `text` to standard error; further lines of `text`
// are indented by `indent`.
void describe(std::size_t offset, std::string_view text,
              std::string_view indent, std::string& out) {
  std::string_view source = where.machine->program.source();
  if (!where.lines) where.lines = std::make_unique<LineIndex>(source);
  out += *where.path;
  out += ':';
  out += std::to_string(where.lines->lineOf(offset));
  out += ": ";
  for (char c : text) {
    out += c;
    if (c == '\n') out += indent;
  }
  out += '\n';
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

void locateFault(std::string_view message) {
  if (where.machine == nullptr) return;
  // The message without the line breaks that frame it on standard output.
  while (!message.empty() &&
         (message.front() == '\n' || message.front() == '\r'))
    message.remove_prefix(1);
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r'))
    message.remove_suffix(1);
  std::size_t offset =
      where.loading ? where.offset
                    : where.machine->program.start(where.machine->current);
  std::string out;
  describe(offset, message, "", out);
  std::string_view shown =
      where.loading ? sourceLineAt(offset) : statementAt(offset);
  if (!shown.empty()) {
    out += "    ";
    for (char c : shown) {
      out += c;
      if (c == '\n') out += "    ";
    }
    out += '\n';
  }
  consoleError(out);
}

void trace(const Machine& machine, std::uint32_t pc) {
  if (pc >= machine.program.size()) return;
  std::size_t offset = machine.program.start(pc);
  std::string out;
  describe(offset, statementAt(offset), "    ", out);
  consoleError(out);
}

}  // namespace

void runScript(const std::string& path) {
  std::optional<std::string> source = readWholeFile(path);
  if (!source) fail("Cannot open script: " + path + "\n", 1);
  CompileOptions options;
  options.generic = environmentFlag("CORVEL_GENERIC");
  bool tracing = environmentFlag("CORVEL_TRACE");
  if (tracing) options.fuse = false;
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
  const Instruction* code = machine.program.code();
  std::uint32_t pc = 0;
  if (tracing) {
    for (;;) {
      trace(machine, pc);
      pc = code[pc].run(machine, code[pc], pc);
    }
  }
  for (;;) {
    const Instruction& instruction = code[pc];
    pc = instruction.run(machine, instruction, pc);
  }
}

}  // namespace corvel
