// The variable record: one script variable or one array element, with its
// value.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>
#include <vector>

#include "values/string_value.h"

namespace corvel {

class CorvelFile;
struct CorvelVariable;

// The four type words, in the order of the alternatives of `Value`.
enum class Type : std::uint8_t { Int, String, Array, File };

// Returns the type word scripts know the type by: "int", "string", "array" or
// "file".
std::string_view typeWord(Type type);

// The element records of a list, in order: one block with the removed front
// left behind until it is as long as what remains, so that reading by
// position is one addition and removing at either end moves nothing (a list
// used as a queue stays cheap; the block is compacted, now and then, in time
// proportional to the removals that made room).
class Elements {
 public:
  using Slot = std::shared_ptr<CorvelVariable>;
  using iterator = std::vector<Slot>::iterator;
  using const_iterator = std::vector<Slot>::const_iterator;

  Elements() = default;
  // A copy holds the elements only, not the room their removal left.
  Elements(const Elements& other) : slots_(other.begin(), other.end()) {}
  Elements& operator=(const Elements&) = delete;

  std::size_t size() const { return slots_.size() - head_; }
  bool empty() const { return size() == 0; }
  Slot& operator[](std::size_t index) { return slots_[head_ + index]; }
  const Slot& operator[](std::size_t index) const {
    return slots_[head_ + index];
  }
  iterator begin() {
    return slots_.begin() + static_cast<std::ptrdiff_t>(head_);
  }
  iterator end() { return slots_.end(); }
  const_iterator begin() const {
    return slots_.begin() + static_cast<std::ptrdiff_t>(head_);
  }
  const_iterator end() const { return slots_.end(); }

  void push_back(Slot slot) { slots_.push_back(std::move(slot)); }
  void pop_back();
  void pop_front();
  // Removes the element at `index`; those behind it move forward.
  void erase(std::size_t index);
  void clear() {
    slots_.clear();
    head_ = 0;
  }

  bool operator==(const Elements& other) const {
    return std::equal(begin(), end(), other.begin(), other.end());
  }

 private:
  std::vector<Slot> slots_;
  // How many slots at the front are removed elements, already let go.
  std::size_t head_ = 0;
};

// A list of element records. Copying a list copies the sequence; both copies
// then hold the very same records, which is what makes two lists compare equal.
struct List {
  Elements items;
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
