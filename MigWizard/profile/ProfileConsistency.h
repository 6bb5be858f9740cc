// What only a whole profile can tell: pairs, classes and rules that do not
// fit together, descendants that lead nowhere or in a circle.
#pragma once

#include <string>
#include <vector>

#include "profile/MigrationProfile.h"
#include "profile/ProfileLoader.h"

namespace migwiz::profile {

// Appends an issue for each fault, placed where the profile writes the item.
void CheckProfileConsistency(const TMigrationProfile& profile, const std::string& file,
                             std::vector<TProfileIssue>& issues);

}  // namespace migwiz::profile
