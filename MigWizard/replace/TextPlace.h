// Turns byte offsets into a text into 1-based lines and columns, for
// offsets that only grow (a scan from the start), without going back over
// the text each time.
#pragma once

#include <cstddef>
#include <string_view>

namespace migwiz::replace {

struct TTextPlace {
  int Line = 1;
  int Column = 1;    // in characters, not bytes
  int Position = 1;  // in characters from the start of the text
};

class TLineCounter {
 public:
  explicit TLineCounter(std::string_view text) : text_(text) {}
  // The place of a byte offset; an offset before the last one asked for
  // starts the count again from the top.
  TTextPlace PlaceOf(size_t offset);

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t lineStart_ = 0;
  int line_ = 1;
  int charsBeforeLine_ = 0;
};

// Only the line of offsets that only grow, counted as TLineCounter counts
// them: enough where no column is wanted.
class TLineTracker {
 public:
  explicit TLineTracker(std::string_view text) : text_(text) {}
  int LineOf(size_t offset);
  // The same text after it grew or moved: what was counted stays counted.
  void SetText(std::string_view text) { text_ = text; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace migwiz::replace
