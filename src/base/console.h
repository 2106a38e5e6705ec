// The console: standard output for everything the interpreter prints, standard
// input for lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

// Makes sure descriptors 0, 1 and 2 are open, before anything else opens a
// file: one that was closed is opened on /dev/null for reading only, so that a
// script's file never takes its place (and receives what is printed) and a
// write to it fails as a write to a closed output should.
void consoleClaimStandardDescriptors();

// Writes `text` to standard output byte for byte. A terminal sees it at once; a
// pipe or file sees it no later than the next read of standard input, child
// process, pause or end of the run.
void consolePrint(std::string_view text);
// Hands everything printed so far to standard output.
void consoleFlush();
// Writes `text` to standard error at once: fault locations and traces, which
// are for people and never part of what a script prints.
void consoleError(std::string_view text);

// Reads the next line of standard input without its line feed, first writing
// out what was printed; a pending stop signal ends the run instead. At end of
// input the bytes read so far form the last line; with none there is no line.
// Bytes that are not UTF-8 give no line. Only the bytes of the lines read
// leave the input (see consoleReleaseInput).
std::optional<std::string> readLineFromConsole();
// The same line as a view, which lasts until the next read of standard input:
// most lines are handed out where they lie in the input buffer.
std::optional<std::string_view> readLineViewFromConsole();
// Whether the line the last read gave is all ASCII, found out while it was
// checked.
bool consoleLineIsAscii();
// After a read that gave no line: the number of the line of standard input it
// dropped because it was not UTF-8 (counted from 1), or 0 when it met the end.
std::uint64_t consoleDroppedLine();
// Leaves standard input as if exactly the lines used so far had been read
// from it: what was looked at or read ahead is given back, so that a child
// process, or whoever reads the input after the run, finds the rest.
void consoleReleaseInput();

// Sounds the alert on the controlling terminal, if there is one; never into
// standard output.
void consoleBeep();
// Pauses the run for one second, after showing what was printed.
void consoleWait();

// Returns `text` without the line feeds, carriage returns, blanks, tabs and the
// characters 3 and 7 at either end, or nothing when no other character is left.
std::optional<std::string> chomp(std::string_view text);

// Whether standard output has refused text.
bool consoleFailed();

// Sends what is printed to `out` instead of standard output, keeping at most
// `limit` bytes of it (the rest is dropped, and consoleCut says so), and gives
// standard input as ended. With nullptr, standard output and input are the
// process's again. Either way nothing is buffered or failed any more: the
// console starts afresh.
void consoleCapture(std::string* out, std::size_t limit);
// Whether captured text was dropped.
bool consoleCut();

}  // namespace corvel
