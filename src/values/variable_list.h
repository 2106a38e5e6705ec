// The variable table: every variable of the run, found through the references
// the script's words hold.
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

// A variable name as the script writes it (without its `$`), with the record
// it names once that name is declared. There is one reference per name, made
// when a word first mentions the name; references never move and are never
// removed, so a word holds its reference for good and every use after the
// declaration finds the record at once.
//
// The record lives in the reference itself (`slot`), so that reaching a value
// from a word takes one step. Until the name is declared, `record` is null
// and the slot holds a file value with no handle, which is never a
// variable's: code that takes an int or a string from `slot` after checking
// its type needs no other test.
struct VarRef {
  std::string name;
  CorvelVariable* record = nullptr;
  CorvelVariable slot{Value(std::shared_ptr<CorvelFile>())};
};

// Where the predefined variables take their values from.
struct Predefined {
  std::string (*home)();
  std::string (*user)();
};

class VariableList {
 public:
  // HOME and USER are predefined: each is declared, as a string holding what
  // `predefined` gives, the first time the name is mentioned (a value that
  // cannot change during a run, so asking late gives what asking first would;
  // a script that never names them never consults the user database).
  explicit VariableList(Predefined predefined);
  VariableList();
  VariableList(const VariableList&) = delete;
  VariableList& operator=(const VariableList&) = delete;

  // Returns the one reference for `name`, making it on first use.
  VarRef& ref(std::string_view name) {
    if (last_ != nullptr && sameName(last_->name, name)) return *last_;
    return lookUp(name);
  }

  // Returns the variable named `name` (without its `$`), or nullptr if none
  // exists.
  CorvelVariable* find(std::string_view name) { return ref(name).record; }
  CorvelVariable* find(const VarRef& ref) const { return ref.record; }

  // Declares the name of `ref` with `type` and its initial value, unless a
  // variable of that name exists already, whatever its type: then nothing
  // changes.
  void declare(VarRef& ref, Type type);
  void declare(std::string_view name, Type type) { declare(ref(name), type); }

 private:
  // Names are short: compared here byte by byte rather than through a call.
  static bool sameName(const std::string& known, std::string_view name) {
    if (known.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (known[i] != name[i]) return false;
    }
    return true;
  }
  VarRef& lookUp(std::string_view name);

  Predefined predefined_;
  std::deque<VarRef> refs_;
  NameMap<VarRef*> index_;
  // The reference found last: statements tend to name the same variable
  // twice in a row, and compiling a long script asks for it millions of times.
  VarRef* last_ = nullptr;
};

}  // namespace corvel
