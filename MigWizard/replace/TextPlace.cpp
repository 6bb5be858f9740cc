#include "replace/TextPlace.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace migwiz::replace {

namespace {

// CR LF, a lone CR and a lone LF each end one line.
bool EndsLine(std::string_view text, size_t pos) {
  char c = text[pos];
  return c == '\n' || (c == '\r' && (pos + 1 >= text.size() || text[pos + 1] != '\n'));
}

// The first byte from pos on, before end, that is below 14: only such a
// byte (CR, LF) can end a line. end when there is none. Sixteen or eight
// bytes at a time where none is.
size_t FirstBelow14(std::string_view text, size_t pos, size_t end) {
#if defined(__SSE2__)
  const __m128i thirteen = _mm_set1_epi8(13);
  while (end - pos >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos));
    // min(b, 13) == b exactly for the bytes up to 13, unsigned.
    const int below = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(bytes, thirteen), bytes));
    if (below != 0) return pos + static_cast<size_t>(std::countr_zero(static_cast<unsigned>(below)));
    pos += 16;
  }
#endif
  while (end - pos >= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + pos, 8);
    // The lowest byte marked is below 14; a mark above it may be false.
    const std::uint64_t low = (word - 0x0E0E0E0E0E0E0E0Eull) & ~word & 0x8080808080808080ull;
    if (low != 0) {
      if constexpr (std::endian::native == std::endian::little)
        return pos + static_cast<size_t>(std::countr_zero(low)) / 8;
      else
        break;
    }
    pos += 8;
  }
  while (pos < end && static_cast<unsigned char>(text[pos]) >= 14) ++pos;
  return pos;
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
  while ((pos_ = FirstBelow14(text_, pos_, offset)) < offset) {
    if (EndsLine(text_, pos_)) ++line_;
    ++pos_;
  }
  return line_;
}

}  // namespace migwiz::replace
