// String and number commands: strlen, strupper, strlower, substr, md5, random,
// cin.
#include "commands/string_commands.h"

#include <stdlib.h>

#include "base/console.h"
#include "base/fault.h"
#include "base/sandbox.h"
#include "base/text.h"
#include "commands/checks.h"
#include "files/hash.h"
#include "values/conversions.h"

namespace corvel {

namespace {

void mapCase(const VarRef& ref, bool upper) {
  CorvelVariable& variable =
      requireVariable(ref, Type::String, "Not a string: $");
  StringValue& text = variable.asString();
  // The absent string stays absent; ASCII is mapped where it lies.
  if (text.isAbsent() || text.mapAsciiCase(upper)) return;
  text = StringValue(upper ? toUpperCase(text.view())
                           : toLowerCase(text.view()));
}

}  // namespace

std::int32_t textLength(const CorvelVariable& variable) {
  if (variable.type() == Type::String)
    return variable.asString().utf16Length();
  std::string scratch;
  appendVariableText(scratch, variable);
  return utf16Length(scratch);
}

void method_strlen(const VarRef& text, const VarRef& target) {
  // The operand is always read as a variable, of any type.
  if (text.record == nullptr) notDeclared(text.name);
  std::int32_t length = textLength(*text.record);
  CorvelVariable* result = target.record;
  if (result == nullptr) {
    report("Not declared: $" + target.name + "\n");
    return;
  }
  if (result->type() != Type::Int) {
    report("Not an int: $" + target.name + "\n");
    return;
  }
  result->value = length;
}

void method_strupper(const VarRef& text) { mapCase(text, true); }

void method_strlower(const VarRef& text) { mapCase(text, false); }

void method_substr(const VarRef& text, const Word& from, const Word& to) {
  CorvelVariable& variable = requireDeclared(text);
  if (variable.type() != Type::String) {
    report("Not string: $" + text.name + "\n");
    return;
  }
  constexpr std::string_view kOutOfBounds =
      "Fatal error.  Substring out of bounds.\n";
  std::int32_t length = variable.asString().utf16Length();
  std::int32_t start = turnExpressionToInt(from);
  if (start < 0 || start > length) fail(kOutOfBounds, 1);
  std::int32_t end = turnExpressionToInt(to);
  if (end < 0 || end > length) fail(kOutOfBounds, 1);
  if (start > end) fail(kOutOfBounds, 1);
  // Evaluating the bounds stores nothing, so the string is still the one
  // measured.
  variable.asString().keepUtf16Units(start, end);
}

void method_md5(std::string_view text, const VarRef& target) {
  CorvelVariable& variable =
      requireVariable(target, Type::String, "Not a string: $");
  char digest[Hash::kDigits];
  Hash().md5(text, digest);
  variable.asString().assign({digest, Hash::kDigits});
}

void method_random(const VarRef& target) {
  CorvelVariable& variable = requireVariable(target, Type::Int, "Not an int: $");
  // The sandbox draws from its own sequence, so that runs can be repeated.
  std::uint32_t drawn = sandbox.on ? sandboxRandom() : arc4random();
  variable.value = static_cast<std::int32_t>(drawn);
}

namespace {

// Kept out of line, so that reading a line pays nothing for it.
[[gnu::cold, gnu::noinline]] void noteDroppedLine() {
  if (consoleDroppedLine() == 0) return;
  note("line " + std::to_string(consoleDroppedLine()) +
       " of standard input is not valid UTF-8; cin dropped it and left its "
       "variable as it was");
}

}  // namespace

void method_cin(const VarRef& target) {
  CorvelVariable& variable =
      requireVariable(target, Type::String, "Not a string: $");
  std::optional<std::string_view> line = readLineViewFromConsole();
  if (!line) {
    if (notesWanted()) [[unlikely]]
      noteDroppedLine();
    return;
  }
  if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
  variable.asString().assign(*line, consoleLineIsAscii());
}

}  // namespace corvel
