// The run report as JSON for scripts and CI. The layout is described in
// docs/run-report.schema.json; "version" is raised when a field changes
// meaning or goes away.
#pragma once

#include <string>

#include "replace/RunReport.h"

namespace migwiz::replace {

std::string RunReportJson(const TRunReport& report);

}  // namespace migwiz::replace
