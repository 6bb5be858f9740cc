// The built migwiz, run as a user would, with test units of its own.
#pragma once

#include <string>
#include <vector>

#include "platform/Paths.h"
#include "testing/RunProgram.h"
#include "testing/TempDir.h"

namespace migwiz::testing {

inline const std::string kMigwiz = MIGWIZ_BIN;
inline const std::string kBdeUnit = "unit Main;\r\ninterface\r\nuses DBTables;\r\n{$R *.dfm}\r\nend.\r\n";
inline const std::string kBdeForm =
    "object F: TForm\r\n  object Q: TQuery\r\n    DatabaseName = 'Sales'\r\n  end\r\nend\r\n";

// migwiz with its temporary folder in a folder of the test's own.
struct Migwiz {
  TempDir tmp;
  ProgramResult operator()(const std::vector<std::string>& args) {
    return RunProgram(kMigwiz, args, {std::string(migwiz::platform::kTempDirVariable) + "=" + tmp.path()});
  }
};

}  // namespace migwiz::testing
