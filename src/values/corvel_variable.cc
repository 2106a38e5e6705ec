// The variable record: one script variable or one array element, with its
// value.
#include "values/corvel_variable.h"

#include <unordered_set>
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

void Elements::pop_back() {
  slots_.pop_back();
  if (slots_.size() == head_) clear();
}

void Elements::pop_front() {
  slots_[head_].reset();
  ++head_;
  if (head_ == slots_.size()) {
    clear();
  } else if (head_ >= 16 && head_ >= size()) {
    slots_.erase(slots_.begin(),
                 slots_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
}

void Elements::erase(std::size_t index) {
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(head_ + index));
  if (slots_.size() == head_) clear();
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

bool tracking = false;

// The lists alive while tracking is on; nullptr when it is off.
std::unordered_set<List*>* trackedLists() {
  static std::unordered_set<List*> lists;
  return tracking ? &lists : nullptr;
}

}  // namespace

List::List() {
  if (tracking) [[unlikely]]
    trackedLists()->insert(this);
}

List::List(const List& other) : items(other.items) {
  if (tracking) [[unlikely]]
    trackedLists()->insert(this);
}

List::~List() {
  if (tracking) [[unlikely]]
    trackedLists()->erase(this);
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

void trackLists(bool on) {
  if (!on && tracking) trackedLists()->clear();
  tracking = on;
}

void releaseTrackedLists() {
  if (!tracking) return;
  // Every list is emptied before any element is let go, so no list is torn
  // down while the others are walked, and each then goes with nothing in it.
  std::vector<std::shared_ptr<CorvelVariable>> held;
  for (List* list : *trackedLists()) {
    for (std::shared_ptr<CorvelVariable>& item : list->items)
      held.push_back(std::move(item));
    list->items.clear();
  }
  held.clear();
}

}  // namespace corvel
