// File commands: fopen, fclose, fread, freadln, fwrite, fdone.
#include "commands/file_commands.h"

#include "commands/checks.h"
#include "files/corvel_file.h"
#include "interpreter/console.h"

namespace corvel {

namespace {

CorvelFile& handleOf(VariableList& vars, const VarRef& file) {
  return *requireVariable(vars, file, Type::File, "Not a file: $").asFile();
}

}  // namespace

void method_open(VariableList& vars, const VarRef& file, std::string_view path,
                 std::string_view mode) {
  handleOf(vars, file).openFile(path, mode);
}

void method_fclose(VariableList& vars, const VarRef& file) {
  handleOf(vars, file).closeFile();
}

void method_fread(VariableList& vars, const VarRef& file, const VarRef& target,
                  std::int32_t count) {
  CorvelFile& handle = handleOf(vars, file);
  CorvelVariable& result =
      requireVariable(vars, target, Type::String, "Not a string: $");
  result.value = handle.readAmountOfCharacters(count);
}

void method_freadline(VariableList& vars, const VarRef& file,
                      const VarRef& target) {
  CorvelFile& handle = handleOf(vars, file);
  CorvelVariable& result =
      requireVariable(vars, target, Type::String, "Not a string: $");
  result.value = handle.readLine();
}

void method_fwrite(VariableList& vars, const VarRef& file,
                   std::string_view text) {
  handleOf(vars, file).writeBufferToFile(text);
}

void method_fdone(VariableList& vars, const VarRef& file,
                  const VarRef& target) {
  CorvelFile& handle = handleOf(vars, file);
  CorvelVariable& result =
      requireVariable(vars, target, Type::Int, "Not an int: $");
  result.value = std::int32_t{handle.isDone() ? 1 : 0};
}

}  // namespace corvel
