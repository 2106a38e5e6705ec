// The variable table: every variable of the run, found through the references
// the script's words hold.
#include "values/variable_list.h"

#include "files/user_account.h"

namespace corvel {

VariableList::VariableList(Predefined predefined) : predefined_(predefined) {}

VariableList::VariableList() : VariableList({homeDirectory, userName}) {}

VarRef& VariableList::lookUp(std::string_view name) {
  auto found = index_.find(name);
  if (found != index_.end()) {
    last_ = found->second;
    return *last_;
  }
  VarRef& made = refs_.emplace_back();
  made.name = std::string(name);
  index_.emplace(made.name, &made);
  if (name == "HOME" || name == "USER") {
    made.slot.value =
        StringValue(name == "HOME" ? predefined_.home() : predefined_.user());
    made.record = &made.slot;
  }
  last_ = &made;
  return made;
}

void VariableList::declare(VarRef& ref, Type type) {
  if (ref.record != nullptr) return;
  ref.slot.value = initialValue(type);
  ref.record = &ref.slot;
}

}  // namespace corvel
