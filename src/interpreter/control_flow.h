// Control flow: `if` with its skipping, `}` lines, labels and `goto`. The script
// is one row of statements and the run a cursor over it: running, skipping and
// jumping only move the cursor.
#pragma once

#include <cstdint>
#include <string_view>

#include "interpreter/program.h"

namespace corvel {

// Returns the comparison an `if` operator word stands for; any other word
// never holds.
Comparison comparisonOf(std::string_view op);

// Evaluates the condition of the `if` line `line` (word 2 before word 4).
bool condition(const Line& line);

// Runs the `if` line at `pc`, which has passed its word count, and returns
// where the run goes on: the next line when the condition holds; otherwise
// past the one line it skips, or past the next `}` line for a block.
std::uint32_t method_if(const Program& program, const Line& line,
                        std::uint32_t pc);

// Returns where a `goto` at `pc` to `label` goes on: behind the label line.
std::uint32_t method_goto(const Program& program, std::uint32_t pc,
                          std::string_view label);

}  // namespace corvel
