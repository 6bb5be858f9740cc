// Results remembered by input position for the length of one parse. Slots
// are kept relative to where the parse began, so one parse costs in
// proportion to the text it reached, not to the length of the whole input.
#pragma once

#include <vector>

namespace migwiz::grammar {

template <class Value>
class TPositionMemo {
 public:
  // Forgets everything; positions before origin are never remembered.
  void Reset(int origin) {
    for (const Entry& e : entries_) heads_[e.slot] = -1;
    entries_.clear();
    origin_ = origin;
  }

  // The first remembered value at pos that satisfies match, or nullptr.
  template <class Match>
  Value* Find(int pos, const Match& match) {
    int slot = pos - origin_;
    if (slot < 0 || slot >= static_cast<int>(heads_.size())) return nullptr;
    for (int i = heads_[slot]; i >= 0; i = entries_[i].next)
      if (match(entries_[i].value)) return &entries_[i].value;
    return nullptr;
  }

  void Add(int pos, Value value) {
    int slot = pos - origin_;
    if (slot < 0) return;
    if (slot >= static_cast<int>(heads_.size())) heads_.resize(static_cast<size_t>(slot) * 2 + 64, -1);
    entries_.push_back(Entry{std::move(value), slot, heads_[slot]});
    heads_[slot] = static_cast<int>(entries_.size()) - 1;
  }

 private:
  struct Entry {
    Value value;
    int slot;
    int next;
  };
  int origin_ = 0;
  std::vector<int> heads_;  // per slot, the newest entry, or -1
  std::vector<Entry> entries_;
};

}  // namespace migwiz::grammar
