// The variable table: every variable of the run, in declaration order, found by
// name.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "values/corvel_variable.h"

namespace corvel {

// A map from names that can be searched with a std::string_view.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const {
    return std::hash<std::string_view>{}(s);
  }
};
template <typename T>
using NameMap = std::unordered_map<std::string, T, NameHash, std::equal_to<>>;

// A variable name as a command receives it (without its `$`), with the record
// it names once that record exists. Records never move and are never removed,
// so the first find is final.
struct VarRef {
  std::string name;
  mutable CorvelVariable* cached = nullptr;
};

class VariableList {
 public:
  VariableList() = default;
  VariableList(const VariableList&) = delete;
  VariableList& operator=(const VariableList&) = delete;

  // Puts `HOME` and `USER` at the head of the table with the values given.
  void initVars(std::string home, std::string user);

  // Returns the variable named `name` (without its `$`), or nullptr if none
  // exists.
  CorvelVariable* find(std::string_view name);
  // The same for `ref`, remembering the record in it once found.
  CorvelVariable* find(const VarRef& ref) {
    if (ref.cached == nullptr) ref.cached = find(ref.name);
    return ref.cached;
  }

  // Declares `name` with `type` and its initial value, unless a variable of
  // that name exists already, whatever its type: then nothing changes.
  void declare(std::string_view name, Type type);

  std::size_t size() const { return records_.size(); }
  const CorvelVariable& at(std::size_t index) const { return records_[index]; }

 private:
  std::deque<CorvelVariable> records_;
  NameMap<CorvelVariable*> index_;
};

}  // namespace corvel
