// How much of a run's converted copies (or of the originals held to undo
// the copy back) waits in memory rather than in the temporary folder: up to
// a bound in all, and besides one that is larger than the bound on its own,
// so that a run over one large form (and its unit) writes it only once.
#pragma once

#include <cstddef>

namespace migwiz::replace {

class TCopyBudget {
 public:
  // 0 sends everything to the temporary folder.
  void SetBound(size_t bytes) { bound_ = bytes; }
  size_t Bound() const { return bound_; }
  void Clear() {
    used_ = 0;
    largeKept_ = false;
  }
  // Whether bytes more may wait in memory; counted when they may.
  bool Take(size_t bytes) {
    if (used_ + bytes <= bound_) {
      used_ += bytes;
      return true;
    }
    if (bound_ == 0 || bytes <= bound_ || largeKept_) return false;
    largeKept_ = true;
    return true;
  }

 private:
  size_t bound_ = size_t{16} << 20;
  size_t used_ = 0;
  bool largeKept_ = false;
};

}  // namespace migwiz::replace
