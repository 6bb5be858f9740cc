#include "replace/TextPlace.h"

namespace migwiz::replace {

TTextPlace TLineCounter::PlaceOf(size_t offset) {
  if (offset > text_.size()) offset = text_.size();
  auto isLead = [this](size_t i) { return (static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80; };
  if (offset < pos_) pos_ = lineStart_ = 0, line_ = 1, charsBeforeLine_ = 0;
  for (; pos_ < offset; ++pos_) {
    char c = text_[pos_];
    // CR LF, a lone CR and a lone LF each end one line.
    if (c == '\n' || (c == '\r' && (pos_ + 1 >= text_.size() || text_[pos_ + 1] != '\n'))) {
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
  for (; pos_ < offset; ++pos_) {
    char c = text_[pos_];
    if (c == '\n' || (c == '\r' && (pos_ + 1 >= text_.size() || text_[pos_ + 1] != '\n'))) ++line_;
  }
  return line_;
}

}  // namespace migwiz::replace
