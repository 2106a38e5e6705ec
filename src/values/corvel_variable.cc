// The variable record: one script variable or one array element, with its
// value.
#include "values/corvel_variable.h"

#include <vector>

#include "files/corvel_file.h"

namespace corvel {

std::string_view typeWord(Type type) {
  switch (type) {
    case Type::Int:
      return "int";
    case Type::String:
      return "string";
    case Type::Array:
      return "array";
    case Type::File:
      return "file";
  }
  return "void";
}

Value initialValue(Type type) {
  switch (type) {
    case Type::Int:
      return std::int32_t{0};
    case Type::String:
      return StringValue();
    case Type::Array:
      return std::make_shared<List>();
    case Type::File:
      return std::make_shared<CorvelFile>();
  }
  return std::int32_t{0};
}

namespace {

// Lists whose last owner went away while another list was being torn down; they
// are destroyed by the outermost teardown, one after another instead of one
// inside another.
struct Graveyard {
  std::vector<std::shared_ptr<List>> pending;
  bool draining = false;
};

Graveyard& graveyard() {
  static Graveyard instance;
  return instance;
}

}  // namespace

List::~List() {
  Graveyard& yard = graveyard();
  for (auto& record : items) {
    if (record.use_count() != 1) continue;
    if (auto* nested = std::get_if<std::shared_ptr<List>>(&record->value);
        nested != nullptr && nested->use_count() == 1) {
      yard.pending.push_back(std::move(*nested));
    }
  }
  items.clear();
  if (yard.draining) return;
  yard.draining = true;
  while (!yard.pending.empty()) {
    std::shared_ptr<List> next = std::move(yard.pending.back());
    yard.pending.pop_back();
    next.reset();
  }
  yard.draining = false;
}

}  // namespace corvel
