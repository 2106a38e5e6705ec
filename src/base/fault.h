// Faults and the end of the run: every message that stops a script or warns
// about a line goes through here, and so does every end of the process.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

// Statements as the run numbers them, for naming the one that caused a fault
// found later. kRunningStatement stands for whichever is running.
constexpr std::uint32_t kRunningStatement = UINT32_MAX;

// How an embedded run ends (see base/sandbox.h): endRun throws it to whoever
// started the run, instead of ending the process.
struct RunEnded {
  int status;
};

// Ends the run with `status`: standard input the run did not use is left for
// the next reader, the text printed so far is written, then what the run-end
// hooks hold (open files), then the process ends. A status of 0 becomes 1 when
// standard output refused text; a stop signal that arrived before the process
// ends makes it 128 plus the signal number.
[[noreturn]] void endRun(int status);

// Prints `message` on standard output and ends the run with `status`. Where a
// script line is running, standard error also learns where.
[[noreturn]] void fail(std::string_view message, int status = 1);

// Like `fail`, but standard error names `statement` rather than the one
// running: for text refused when it was finally written, long after the line
// that wrote it.
[[noreturn]] void failAt(std::uint32_t statement, std::string_view message,
                         int status = 1);

// Prints `message` on standard output for a fault after which the script goes
// on; standard error learns where, as for `fail`.
void report(std::string_view message);

// Registers `hook` to run whenever buffered text must reach the system: before
// the run ends and before a child process starts. Hooks run in the order they
// were added; a hook may itself end the run with `fail`.
void onFlush(void (*hook)());
// Runs every flush hook once.
void runFlushHooks();

// Ends the run because memory ran out: "Out of memory", files flushed, status
// 1. Installed as the handler of failed allocations, so it allocates nothing.
[[noreturn]] void outOfMemory();

// Registers `locate`, which is told of every fault message so that it can name
// the line that raised it, `statement`, on standard error. When `memoryLeft` is
// false the locator must not allocate.
using FaultLocator = void (*)(std::string_view message, std::uint32_t statement,
                              bool memoryLeft);
void setFaultLocator(FaultLocator locate);

// Registers where the run keeps the number of the statement running, so that
// text kept for later (a file's buffer) can remember which statement gave it.
void setStatementCounter(const std::uint32_t* counter);
extern const std::uint32_t* statementCounter;
// The statement running, or kRunningStatement when no run counts them. Inline:
// a file asks whenever its buffer takes its first text.
inline std::uint32_t runningStatement() {
  return statementCounter != nullptr ? *statementCounter : kRunningStatement;
}

// Run-time notes (CORVEL_WARN=1): what a script does that is allowed but rarely
// meant, such as arithmetic that wrapped around. The note locator writes each
// one with the line of the statement running, at most once per statement.
using NoteLocator = void (*)(std::string_view note);
void setNoteLocator(NoteLocator locate);
extern NoteLocator noteLocator;
// Whether notes are wanted; the text of a note is made only then. Inline, so
// that asking costs one load on paths that could need a note.
inline bool notesWanted() { return noteLocator != nullptr; }
// Hands `note` to the locator, if notes are wanted.
void note(std::string_view text);

}  // namespace corvel
