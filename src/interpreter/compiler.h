// The compile step: every statement of a script becomes one instruction, a
// handler with its operands resolved as far as the script text allows.
#pragma once

#include <optional>
#include <string>

#include "interpreter/loader.h"
#include "interpreter/program.h"

namespace corvel {

struct CompileOptions {
  // Every line runs through the command table, as the specialised handlers'
  // reference: both must give the same results.
  bool generic = false;
  // A braceless `if` and a fixed `goto` after it become one instruction. Off
  // when every line is traced, so that the `goto` line shows.
  bool fuse = true;
  // Run-time notes are wanted (CORVEL_WARN=1). Nothing that could need one is
  // computed where it would pass unnoticed: arithmetic stored by `set` and
  // number texts that saturate take the generic path, and numbers written
  // beyond 32 bits are listed in the program.
  bool notes = false;
};

// Cuts `source` into statements and compiles them into `machine.program`,
// making the variable references they name in `machine.vars`. A fault in the
// source format is returned and nothing is compiled after it.
std::optional<LoadFault> compile(Machine& machine, std::string source,
                                 const CompileOptions& options = {});

}  // namespace corvel
