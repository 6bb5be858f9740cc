// What waits in memory for the copy back: copies up to the bound in all,
// and one copy larger than the bound on its own; nothing with a bound of 0.
#include <gtest/gtest.h>

#include <vector>

#include "replace/CopyBudget.h"

using migwiz::replace::TCopyBudget;

TEST(CopyBudget, SmallCopiesUpToTheBoundAndOneLargeBesides) {
  const struct {
    size_t bound;
    std::vector<size_t> sizes;
    std::vector<bool> kept;
  } kCases[] = {
      {100, {40, 60, 1}, {true, true, false}},                  // the bound is reached exactly
      {100, {30, 500, 70, 600}, {true, true, true, false}},     // one large besides the small ones
      {100, {500, 101}, {true, false}},                         // only one large
      {100, {100, 500}, {true, true}},                          // the bound's worth is not large
      {0, {1, 500}, {false, false}},                            // everything through the folder
  };
  for (const auto& c : kCases) {
    TCopyBudget budget;
    budget.SetBound(c.bound);
    for (size_t i = 0; i < c.sizes.size(); ++i)
      EXPECT_EQ(budget.Take(c.sizes[i]), c.kept[i]) << "bound " << c.bound << ", copy " << i;
    budget.Clear();
    EXPECT_EQ(budget.Take(c.sizes[0]), c.kept[0]) << "after Clear";
  }
}
