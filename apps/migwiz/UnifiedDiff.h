// A unified diff of two texts, line by line, for previews of what a run
// changes. Line ends (CR LF, LF, CR) are not part of the compared lines.
#pragma once

#include <string>

namespace migwiz::app {

// Empty when the texts have the same lines.
std::string UnifiedDiff(const std::string& oldText, const std::string& newText,
                        const std::string& oldLabel, const std::string& newLabel, int context = 3);

}  // namespace migwiz::app
