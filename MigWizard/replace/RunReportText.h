// The run report as plain text for people (UTF-8): a summary, then per form
// the objects converted with what became of their properties, the datasets
// left without a connection, the objects left with their BDE body, the
// units changed and what in them must be rewritten by hand.
#pragma once

#include <string>

#include "replace/RunReport.h"

namespace migwiz::replace {

std::string RunReportText(const TRunReport& report);

// What to do about datasets whose database name no connection carried.
std::string UnlinkedHint(const TRunReport& report, const TDatabaseObject* database);

}  // namespace migwiz::replace
