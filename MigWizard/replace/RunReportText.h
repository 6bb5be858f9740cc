// The run report as plain text for people (UTF-8): a summary, then per form
// the objects converted with what became of their properties, the datasets
// left without a connection, the objects left with their BDE body, the BDE
// objects with no counterpart, the units changed, what in them must be
// rewritten by hand, and what the run's check of its own output found.
#pragma once

#include <string>

#include "replace/RunReport.h"

namespace migwiz::replace {

std::string RunReportText(const TRunReport& report);

// Why a dataset was left without a connection and what to do about it.
std::string UnlinkedHint(const TRunReport& report, const TUnlinkedDataset& dataset);

}  // namespace migwiz::replace
