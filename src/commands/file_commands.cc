// File commands: fopen, fclose, fread, freadln, fwrite, fdone.
#include "commands/file_commands.h"

#include "base/interrupt.h"
#include "commands/checks.h"
#include "files/corvel_file.h"

namespace corvel {

namespace {

CorvelFile& handleOf(const VarRef& file) {
  return *requireVariable(file, Type::File, "Not a file: $").asFile();
}

}  // namespace

// Every file command but fdone may wait (a named pipe, a slow device), and
// the specialised path reaches these without passing a jump: a stop signal
// that is pending is honoured before the file is touched.

void method_open(const VarRef& file, std::string_view path,
                 std::string_view mode) {
  stopIfRequested();
  handleOf(file).openFile(path, mode);
}

void method_fclose(const VarRef& file) {
  stopIfRequested();
  handleOf(file).closeFile();
}

void method_fread(const VarRef& file, const VarRef& target,
                  std::int32_t count) {
  stopIfRequested();
  CorvelFile& handle = handleOf(file);
  CorvelVariable& result =
      requireVariable(target, Type::String, "Not a string: $");
  std::optional<std::string> text = handle.readAmountOfCharacters(count);
  result.value = text ? StringValue(*text) : StringValue::absent();
}

void method_freadline(const VarRef& file, const VarRef& target) {
  stopIfRequested();
  CorvelFile& handle = handleOf(file);
  CorvelVariable& result =
      requireVariable(target, Type::String, "Not a string: $");
  std::optional<std::string_view> line = handle.readLine();
  if (!line) {
    result.value = StringValue::absent();
  } else {
    result.asString().assign(*line, handle.lineIsAscii());
  }
}

void method_fwrite(const VarRef& file, std::string_view text) {
  stopIfRequested();
  handleOf(file).writeBufferToFile(text);
}

void method_fdone(const VarRef& file, const VarRef& target) {
  CorvelFile& handle = handleOf(file);
  CorvelVariable& result = requireVariable(target, Type::Int, "Not an int: $");
  result.value = std::int32_t{handle.isDone() ? 1 : 0};
}

}  // namespace corvel
