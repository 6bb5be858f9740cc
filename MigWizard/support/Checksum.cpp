#include "support/Checksum.h"

#include <cstring>

namespace migwiz::support {

namespace {

constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15ull;

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

}  // namespace

// Eight bytes at a time, each word mixed into the state, the length last:
// fast enough to run over every file a run writes.
std::uint64_t ContentChecksum(std::string_view bytes) {
  std::uint64_t h = 0x6A09E667F3BCC908ull;
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, bytes.data() + i, 8);
    h = (h ^ Mix(w)) * kPrime;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
  h = (h ^ Mix(tail ^ (static_cast<std::uint64_t>(bytes.size() - i) << 56))) * kPrime;
  return Mix(h ^ bytes.size());
}

std::string ChecksumText(std::uint64_t checksum) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, checksum >>= 4) text[static_cast<size_t>(i)] = kDigits[checksum & 15];
  return text;
}

}  // namespace migwiz::support
