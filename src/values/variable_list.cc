// The variable table: every variable of the run, in declaration order, found by
// name.
#include "values/variable_list.h"

namespace corvel {

void VariableList::initVars(std::string home, std::string user) {
  if (!records_.empty()) return;
  records_.emplace_back("HOME", std::optional<std::string>(std::move(home)));
  index_.emplace("HOME", &records_.back());
  records_.emplace_back("USER", std::optional<std::string>(std::move(user)));
  index_.emplace("USER", &records_.back());
}

CorvelVariable* VariableList::find(std::string_view name) {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : it->second;
}

void VariableList::declare(std::string_view name, Type type) {
  if (find(name) != nullptr) return;
  records_.emplace_back(std::string(name), initialValue(type));
  index_.emplace(std::string(name), &records_.back());
}

}  // namespace corvel
