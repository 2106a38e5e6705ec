// Conversions: any variable or element as text or as a list, and the array text
// form.
#include "values/conversions.h"

#include <vector>

#include "base/sandbox.h"
#include "base/text.h"
#include "files/corvel_file.h"

namespace corvel {

void appendArrayText(std::string& out, const List& list) {
  // An explicit stack instead of recursion: a script decides how deep lists
  // nest.
  struct Frame {
    const List* list;
    std::size_t next;
  };
  std::vector<Frame> stack;
  // Lists that share their elements can make a text far larger than
  // themselves: the sandbox bounds it as it grows. The limit is read once, as
  // writing text could change it.
  const std::size_t limit = sandbox.maxValueBytes;
  out += '{';
  list.beingWritten = true;
  stack.push_back({&list, 0});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.list->items.size()) {
      out += '}';
      frame.list->beingWritten = false;
      stack.pop_back();
      continue;
    }
    if (out.size() > limit) [[unlikely]]
      outOfMemory();
    if (frame.next > 0) out += ", ";
    const CorvelVariable& element = *frame.list->items[frame.next++];
    if (element.type() != Type::Array) {
      static constexpr char kOpen[] = {'(', '[', '{', '|'};
      static constexpr char kClose[] = {')', ']', '}', '|'};
      auto kind = static_cast<std::size_t>(element.type());
      out += kOpen[kind];
      appendVariableText(out, element);
      out += kClose[kind];
      continue;
    }
    const List& nested = *element.asList();
    if (nested.beingWritten) {
      out += "{...}";
      continue;
    }
    out += '{';
    nested.beingWritten = true;
    stack.push_back({&nested, 0});
  }
}

std::string turnArrayToString(const List& list) {
  std::string text;
  appendArrayText(text, list);
  return text;
}

void appendVariableText(std::string& out, const CorvelVariable& variable) {
  switch (variable.type()) {
    case Type::String:
      out += variable.asString().view();
      break;
    case Type::Int:
      appendDecimal(out, std::get<std::int32_t>(variable.value));
      break;
    case Type::Array:
      appendArrayText(out, *variable.asList());
      break;
    case Type::File:
      out += variable.asFile()->path();
      break;
  }
}

StringValue turnVariableToString(const CorvelVariable& variable) {
  if (variable.type() == Type::String) return variable.asString();
  std::string text;
  appendVariableText(text, variable);
  return StringValue(text);
}

std::shared_ptr<List> turnVariableToArray(const CorvelVariable& variable) {
  if (variable.type() == Type::Array) return variable.asList();
  auto list = std::make_shared<List>();
  list->items.push_back(std::make_shared<CorvelVariable>(variable.value));
  return list;
}

}  // namespace corvel
