// Decoding UTF-8 one character at a time. A malformed sequence gives -1 and
// is skipped by its longest start that could still have been a character
// (at least one byte), as the Unicode standard recommends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace migwiz::platform {

// The character at i, or -1; i moves past what was read.
inline std::int32_t NextUtf8(std::string_view s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
  const std::uint8_t lead = byte(i++);
  if (lead < 0x80) return lead;
  int more;
  std::int32_t c;
  std::uint8_t lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    c = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    c = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return -1;
  }
  for (int k = 0; k < more; ++k) {
    if (i >= s.size()) return -1;
    const std::uint8_t b = byte(i);
    if (k == 0 ? (b < lo || b > hi) : (b & 0xC0) != 0x80) return -1;
    c = (c << 6) | (b & 0x3F);
    ++i;
  }
  return c;
}

// The character that ends just before i, or -1 for a malformed byte; i moves
// to its start.
inline std::int32_t PrevUtf8(std::string_view s, std::size_t& i) {
  const std::size_t end = i;
  std::size_t start = end - 1;
  for (int k = 0; k < 3 && start > 0 && (static_cast<std::uint8_t>(s[start]) & 0xC0) == 0x80; ++k)
    --start;
  std::size_t at = start;
  std::int32_t c = NextUtf8(s, at);
  if (c >= 0 && at == end) {
    i = start;
    return c;
  }
  i = end - 1;
  return -1;
}

}  // namespace migwiz::platform
