// A checksum of a file's bytes, to tell that a file is no longer what a run
// read or wrote. Not for security: it finds edits, not forgeries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace migwiz::support {

std::uint64_t ContentChecksum(std::string_view bytes);
// As 16 lower-case hexadecimal digits.
std::string ChecksumText(std::uint64_t checksum);

}  // namespace migwiz::support
