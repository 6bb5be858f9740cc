// What a run would face, told before it runs: built from the report of an
// inventory (TComponentReplacer::TakeInventory), so that its figures are
// the ones the run's report then gives. Objects are named as the report
// names them: file, line and the Root.Object path.
#pragma once

#include <string>

#include "profile/MigrationProfile.h"
#include "replace/RunReport.h"

namespace migwiz::replace {

// For people, and as JSON (schema "migwiz-inventory", version 1).
std::string InventoryText(const TRunReport& report, const profile::TMigrationProfile& profile);
std::string InventoryJson(const TRunReport& report, const profile::TMigrationProfile& profile);

}  // namespace migwiz::replace
