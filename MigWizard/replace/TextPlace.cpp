#include "replace/TextPlace.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace migwiz::replace {

namespace {

// CR LF, a lone CR and a lone LF each end one line.
bool EndsLine(std::string_view text, size_t pos) {
  char c = text[pos];
  return c == '\n' || (c == '\r' && (pos + 1 >= text.size() || text[pos + 1] != '\n'));
}

}  // namespace

TTextPlace TLineCounter::PlaceOf(size_t offset) {
  if (offset > text_.size()) offset = text_.size();
  auto isLead = [this](size_t i) { return (static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80; };
  if (offset < pos_) pos_ = lineStart_ = 0, line_ = 1, charsBeforeLine_ = 0;
  for (; pos_ < offset; ++pos_) {
    if (EndsLine(text_, pos_)) {
      for (size_t i = lineStart_; i <= pos_; ++i) charsBeforeLine_ += isLead(i);
      ++line_;
      lineStart_ = pos_ + 1;
    }
  }
  int column = 1;
  for (size_t i = lineStart_; i < offset; ++i) column += isLead(i);
  return {line_, column, charsBeforeLine_ + column};
}

int TLineTracker::LineOf(size_t offset) {
  if (offset > text_.size()) offset = text_.size();
  if (offset < pos_) pos_ = 0, line_ = 1;
  while (pos_ < offset) {
    // Eight bytes at a time past those that cannot end a line: none below 14.
    if (offset - pos_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text_.data() + pos_, 8);
      const std::uint64_t low = (word - 0x0E0E0E0E0E0E0E0Eull) & ~word & 0x8080808080808080ull;
      if (low == 0) {
        pos_ += 8;
        continue;
      }
      // The lowest byte marked is below 14 (a mark above it may be false):
      // the bytes before it are passed over at once.
      if constexpr (std::endian::native == std::endian::little) pos_ += static_cast<size_t>(std::countr_zero(low)) / 8;
    }
    if (static_cast<unsigned char>(text_[pos_]) <= '\r' && EndsLine(text_, pos_)) ++line_;
    ++pos_;
  }
  return line_;
}

}  // namespace migwiz::replace
