// Tests of what only POSIX systems have (symbolic links made by symlink(),
// FIFOs, mode bits, signals) are compiled on Windows as a skip that says so.
#pragma once

#include <gtest/gtest.h>

#define MIGWIZ_POSIX_ONLY_TEST(suite, name, why) \
  TEST(suite, name) { GTEST_SKIP() << "POSIX only: " why; }
#define MIGWIZ_POSIX_ONLY_TEST_F(fixture, name, why) \
  TEST_F(fixture, name) { GTEST_SKIP() << "POSIX only: " why; }
