// Text taken as lines, whichever line break each line ends with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migwiz::platform {

// Lines split at CR, LF or CR LF; a final line break adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

// Whether lines are SplitTextLines(text), found without making new strings.
bool SameTextLines(const std::vector<std::string>& lines, std::string_view text);

// The lines of SplitTextLines(text) joined with LF, made without the lines.
std::string JoinedTextLines(std::string_view text);

}  // namespace migwiz::platform
