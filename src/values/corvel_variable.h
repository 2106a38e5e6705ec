// The variable record: one script variable or one array element, with its
// value.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <variant>

#include "values/string_value.h"

namespace corvel {

class CorvelFile;
struct CorvelVariable;

// The four type words, in the order of the alternatives of `Value`.
enum class Type : std::uint8_t { Int, String, Array, File };

// Returns the type word scripts know the type by: "int", "string", "array" or
// "file".
std::string_view typeWord(Type type);

// A list of element records. Copying a list copies the sequence; both copies
// then hold the very same records, which is what makes two lists compare equal.
struct List {
  std::deque<std::shared_ptr<CorvelVariable>> items;
  // Set while the list is being written as text, so that a list that contains
  // itself is noticed.
  mutable bool beingWritten = false;

  List();
  List(const List& other);
  List& operator=(const List&) = delete;
  // Tears nested lists down one at a time, so a list nested to any depth never
  // exhausts the stack.
  ~List();
};

// Lists can hold each other in a ring, which reference counting never frees;
// a run that ends the process does not care, but an embedded run must leave
// nothing behind. While tracking is on, every list made is noted, and
// releaseTrackedLists empties every one still alive, which frees them all.
void trackLists(bool on);
void releaseTrackedLists();

// A value is one of the four types. Numbers and strings are copied (a string
// shares its bytes, which are never changed where another holder sees them); a
// list or a file handle is shared by every variable and element that holds it.
using Value = std::variant<std::int32_t, StringValue, std::shared_ptr<List>,
                           std::shared_ptr<CorvelFile>>;

// Returns the initial value of a freshly declared variable of `type`: 0, the
// empty string, a new empty list or a new handle that has never been opened.
Value initialValue(Type type);

// One variable or array element. Its type is the kind of value it holds, fixed
// when the record is made: every store keeps that kind (callers check the type
// first). A variable's name lives with the reference that finds it
// (`VarRef`); elements are reached by position only, so their names, which
// nothing can read, are not kept.
struct CorvelVariable {
  Value value;

  explicit CorvelVariable(Value v) : value(std::move(v)) {}
  CorvelVariable(const CorvelVariable&) = delete;
  CorvelVariable& operator=(const CorvelVariable&) = delete;

  Type type() const { return static_cast<Type>(value.index()); }

  std::int32_t& asInt() { return *std::get_if<std::int32_t>(&value); }
  StringValue& asString() { return *std::get_if<StringValue>(&value); }
  const StringValue& asString() const {
    return *std::get_if<StringValue>(&value);
  }
  const std::shared_ptr<List>& asList() const {
    return *std::get_if<std::shared_ptr<List>>(&value);
  }
  const std::shared_ptr<CorvelFile>& asFile() const {
    return *std::get_if<std::shared_ptr<CorvelFile>>(&value);
  }
};

}  // namespace corvel
