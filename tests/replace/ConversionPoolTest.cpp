#include "replace/ConversionPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using migwiz::replace::TConversionPool;

namespace {

// Deeper than the 8 MB of a main thread allows.
int Recurse(int n) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(n);
  return n == 0 ? frame[0] : Recurse(n - 1) + 1;
}

}  // namespace

TEST(ConversionPool, JobsRunOnLargeStacksAndAreWaitedForByNumber) {
  TConversionPool pool(3);
  ASSERT_EQ(pool.Threads(), 3u);
  std::vector<int> depth(40, -1);
  std::vector<size_t> thread(40, 99);
  std::vector<bool> large(40, false);
  for (size_t i = 0; i < depth.size(); ++i)
    pool.Post(i, [&, i](size_t t) {
      large[i] = migwiz::platform::OnLargeStack();
      thread[i] = t;
      depth[i] = Recurse(i == 7 ? 20000 : 10);
    });
  for (size_t i = depth.size(); i-- > 0;) pool.Wait(i);  // any order
  for (size_t i = 0; i < depth.size(); ++i) {
    EXPECT_EQ(depth[i], i == 7 ? 20000 : 10) << i;
    EXPECT_LT(thread[i], 3u) << i;
    EXPECT_TRUE(large[i]) << i;
  }
}

TEST(ConversionPool, DroppedJobsNeverRunAndDoNotHoldUpTheCaller) {
  std::atomic<int> ran{0};
  {
    TConversionPool pool(1);
    std::atomic<bool> release{false};
    pool.Post(0, [&](size_t) {
      while (!release) {
      }
      ++ran;
    });
    for (size_t i = 1; i < 10; ++i) pool.Post(i, [&](size_t) { ++ran; });
    pool.DropQueued();  // job 0 may be running; the others are gone
    release = true;
    for (size_t i = 0; i < 10; ++i) pool.Wait(i);
    EXPECT_LE(ran.load(), 1);
    pool.Post(10, [&](size_t) { ++ran; });
    pool.Post(11, [&](size_t) { ++ran; });
  }  // not waited for: dropped or run, the pool goes without hanging
  EXPECT_LE(ran.load(), 3);
}
