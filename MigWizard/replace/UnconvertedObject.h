#pragma once

#include <cstddef>
#include <string>

namespace migwiz::replace {

// An object of an old class that the form grammar did not accept: its header
// carries the new class, its body stayed as it was.
struct TUnconvertedObject {
  std::string FormFile;    // the original form file
  int Line = 0;            // of the object's header (1-based)
  std::string ObjectName;
  std::string ClassName;     // as written
  std::string NewClassName;  // what its header and unit now name
  int StopLine = 0;          // where the text stopped matching (1-based)
  int StopColumn = 0;
  size_t StopOffset = 0;     // byte offset in the form text
  std::string Reason;
};

}  // namespace migwiz::replace
