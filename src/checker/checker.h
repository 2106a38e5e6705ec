// The checker: reads a script the way the interpreter loads it and points at
// what is most likely a mistake, without running any of it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/script_model.h"

namespace corvel {

// A change that mends a finding for certain: `text` replaces `span`.
struct Fix {
  std::string title;
  Span span;
  std::string text;

  bool operator==(const Fix&) const = default;
};

// One finding: its code, where it is, what to tell the author and, when the
// mending is certain, the fix.
struct Finding {
  std::string_view code;
  // The line its span starts on, from 1.
  std::uint32_t line = 0;
  Span span;
  std::string message;
  // A load fault: the interpreter refuses the whole script.
  bool error = false;
  std::optional<Fix> fix;
};

// A code the checker gives its findings, with what it is about.
struct CheckCode {
  std::string_view code;
  std::string_view about;
};
// Every code, in the order of the reference.
std::span<const CheckCode> checkCodes();
bool isCheckCode(std::string_view code);

// The word on a line that silences findings of that line: `//nocheck CODE...`.
inline constexpr std::string_view kNoCheck = "//nocheck";

// Returns the likely mistakes of the script read into `model`, ordered by
// line; the findings of one line come in the order of its words. A load fault
// is the last finding: the statements before it are checked one by one, and
// the checks that need the whole script (labels, declarations) are left out.
// Findings silenced by a `//nocheck` statement are left out.
std::vector<Finding> checkScript(const ScriptModel& model);
// The same for the script `source`.
std::vector<Finding> checkScript(std::string_view source);

// Returns the line the checker prints for `finding` in the script `path`:
// `path`:LINE: warning: MESSAGE [CODE] (error for a load fault) and a line
// feed.
std::string formatFinding(std::string_view path, const Finding& finding);

}  // namespace corvel
