#include <gtest/gtest.h>

#include "UnifiedDiff.h"

using migwiz::app::UnifiedDiff;

TEST(UnifiedDiff, HunksWithContext) {
  struct Case {
    std::string oldText, newText, expected;
  } cases[] = {
      {"a\nb\n", "a\nb\n", ""},
      {"a\r\nb\r\n", "a\nb\n", ""},  // line ends are not compared
      {"a\nb\nc\n", "a\nB\nc\n", "--- o\n+++ n\n@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n"},
      {"", "x\n", "--- o\n+++ n\n@@ -0,0 +1,1 @@\n+x\n"},
      {"x\n", "", "--- o\n+++ n\n@@ -1,1 +0,0 @@\n-x\n"},
      // Changes more than twice the context apart make two hunks.
      {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", "0\n2\n3\n4\n5\n6\n7\n8\n9\nX\n",
       "--- o\n+++ n\n@@ -1,3 +1,3 @@\n-1\n+0\n 2\n 3\n@@ -8,3 +8,3 @@\n 8\n 9\n-10\n+X\n"},
      // ... and closer ones one.
      {"1\n2\n3\n4\n5\n", "0\n2\n3\n4\nX\n", "--- o\n+++ n\n@@ -1,5 +1,5 @@\n-1\n+0\n 2\n 3\n 4\n-5\n+X\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(UnifiedDiff(c.oldText, c.newText, "o", "n", 2), c.expected) << c.oldText;
}

TEST(UnifiedDiff, LargeTextsStayExact) {
  std::string a, b;
  for (int i = 0; i < 3000; ++i) {
    a += "line " + std::to_string(i) + "\n";
    b += (i % 100 == 0 ? "changed " : "line ") + std::to_string(i) + "\n";
  }
  std::string diff = UnifiedDiff(a, b, "o", "n", 0);
  size_t minus = 0, plus = 0;
  for (size_t at = 0; (at = diff.find("\n-", at)) != std::string::npos; ++at) ++minus;
  for (size_t at = 0; (at = diff.find("\n+", at)) != std::string::npos; ++at) ++plus;
  EXPECT_EQ(minus, 30u);
  EXPECT_EQ(plus, 31u);  // and the "+++" line
}
