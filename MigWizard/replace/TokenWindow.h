// The tokens of a text, read as they are asked for, of which only those
// near the reader are kept: a scan that looks a few tokens back and ahead
// holds a few thousand tokens, not a large text a second time as tokens.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace migwiz::replace {

// Next gives the next token to keep (bool(Token&)); false at the end of the
// text.
template <class Token, class Next = std::function<bool(Token&)>>
class TTokenWindow {
 public:
  explicit TTokenWindow(Next next) : next_(std::move(next)) {}

  // The token at i, or nullptr past the end; i is never before the index
  // last given to DropBefore.
  const Token* At(size_t i) {
    while (!ended_ && first_ + kept_.size() <= i) {
      kept_.emplace_back();  // made in place: a token copied in whole can wait for its own stores
      if (!next_(kept_.back())) {
        kept_.pop_back();
        ended_ = true;
      }
    }
    return i >= first_ && i - first_ < kept_.size() ? &kept_[i - first_] : nullptr;
  }
  // The tokens before i are asked for no more; they are let go of in batches.
  void DropBefore(size_t i) {
    const size_t n = std::min(i > first_ ? i - first_ : 0, kept_.size());
    if (n < kBatch) return;
    kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(n));
    first_ += n;
  }

 private:
  static constexpr size_t kBatch = 4096;
  Next next_;
  std::vector<Token> kept_;
  size_t first_ = 0;  // the index of kept_.front()
  bool ended_ = false;
};

}  // namespace migwiz::replace
