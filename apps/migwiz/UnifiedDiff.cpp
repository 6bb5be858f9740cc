#include "UnifiedDiff.h"

#include <algorithm>
#include <vector>

#include "support/StrUtils.h"

namespace migwiz::app {

namespace {

enum class Op { Equal, Delete, Insert };

// The walk back keeps about kMaxEdits squared numbers.
constexpr long kMaxEdits = 2000;

struct Edit {
  Op op;
  size_t a, b;  // line indices in the old and new text
};

// The shortest edit script (Myers' greedy algorithm), with the furthest
// reach of every diagonal kept per step for the walk back.
std::vector<Edit> EditScript(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  const long n = static_cast<long>(a.size()), m = static_cast<long>(b.size()), max = n + m;
  std::vector<long> v(2 * static_cast<size_t>(max) + 3, 0);
  auto at = [&](long k) -> long& { return v[static_cast<size_t>(k + max + 1)]; };
  std::vector<std::vector<long>> trace;  // reach of diagonals -d..d after step d
  long dEnd = -1;
  for (long d = 0; d <= std::min(max, kMaxEdits); ++d) {
    bool done = false;
    for (long k = -d; k <= d; k += 2) {
      long x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
      long y = x - k;
      while (x < n && y < m && a[x] == b[y]) ++x, ++y;
      at(k) = x;
      if (x >= n && y >= m) done = true;
    }
    trace.emplace_back();
    for (long k = -d; k <= d; ++k) trace.back().push_back(at(k));
    if (done) {
      dEnd = d;
      break;
    }
  }
  std::vector<Edit> edits;
  if (dEnd < 0) {  // too different to walk back within bounds: all out, all in
    for (size_t i = 0; i < a.size(); ++i) edits.push_back({Op::Delete, i, 0});
    for (size_t j = 0; j < b.size(); ++j) edits.push_back({Op::Insert, a.size(), j});
    return edits;
  }
  long x = n, y = m;
  for (long d = dEnd; d > 0; --d) {
    const std::vector<long>& prev = trace[static_cast<size_t>(d - 1)];
    auto reach = [&](long k) { return prev[static_cast<size_t>(k + d - 1)]; };
    long k = x - y;
    long prevK = (k == -d || (k != d && reach(k - 1) < reach(k + 1))) ? k + 1 : k - 1;
    long prevX = reach(prevK), prevY = prevX - prevK;
    while (x > prevX && y > prevY) --x, --y, edits.push_back({Op::Equal, size_t(x), size_t(y)});
    if (prevK == k + 1) edits.push_back({Op::Insert, size_t(prevX), size_t(prevY)});
    else edits.push_back({Op::Delete, size_t(prevX), size_t(prevY)});
    x = prevX, y = prevY;
  }
  while (x > 0 && y > 0) --x, --y, edits.push_back({Op::Equal, size_t(x), size_t(y)});
  std::reverse(edits.begin(), edits.end());
  return edits;
}

std::string Range(size_t start, size_t count) {
  return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

}  // namespace

std::string UnifiedDiff(const std::string& oldText, const std::string& newText, const std::string& oldLabel,
                        const std::string& newLabel, int context) {
  const std::vector<std::string> a = support::SplitTextLines(oldText);
  const std::vector<std::string> b = support::SplitTextLines(newText);
  const std::vector<Edit> edits = EditScript(a, b);
  const size_t ctx = static_cast<size_t>(std::max(context, 0));
  std::string out;
  size_t i = 0;
  while (i < edits.size()) {
    if (edits[i].op == Op::Equal) {
      ++i;
      continue;
    }
    // A hunk: from ctx lines before this change to ctx lines after the last
    // change that lies within 2*ctx equal lines of the one before.
    size_t first = i >= ctx ? i - ctx : 0;
    while (first < i && edits[first].op != Op::Equal) ++first;
    size_t last = i, equalRun = 0;
    for (size_t j = i; j < edits.size(); ++j) {
      if (edits[j].op == Op::Equal) {
        if (++equalRun > 2 * ctx) break;
      } else {
        equalRun = 0;
        last = j;
      }
    }
    size_t end = std::min(edits.size(), last + 1 + ctx);
    size_t aStart = edits[first].a, bStart = edits[first].b, aCount = 0, bCount = 0;
    std::string body;
    for (size_t j = first; j < end; ++j) {
      const Edit& e = edits[j];
      if (e.op == Op::Equal) body += " " + a[e.a] + "\n", ++aCount, ++bCount;
      else if (e.op == Op::Delete) body += "-" + a[e.a] + "\n", ++aCount;
      else body += "+" + b[e.b] + "\n", ++bCount;
    }
    if (out.empty()) out = "--- " + oldLabel + "\n+++ " + newLabel + "\n";
    out += "@@ -" + Range(aStart, aCount) + " +" + Range(bStart, bCount) + " @@\n" + body;
    i = end;
  }
  return out;
}

}  // namespace migwiz::app
