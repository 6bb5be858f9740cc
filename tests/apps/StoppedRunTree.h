// A tree for runs stopped from outside, and what of it counts as originals.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "testing/TempDir.h"

namespace migwiz::testing {

// A tree of many small units with their forms, in a few dozen folders.
inline void WriteTree(const TempDir& dir, int units) {
  for (int i = 0; i < units; ++i) {
    std::string name = "f" + std::to_string(i % 40) + "/U" + std::to_string(i);
    dir.Write(name + ".pas", "unit U" + std::to_string(i) + ";\r\ninterface\r\nuses Windows, DBTables;\r\n"
                             "{$R *.dfm}\r\ntype TF = class(TForm) Q: TQuery; end;\r\nend.\r\n");
    dir.Write(name + ".dfm", "object F: TF\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      'select "
                             + std::to_string(i) + "')\r\n  end\r\nend\r\n");
  }
}

// The originals of a tree by relative path, with their contents.
inline std::map<std::string, std::string> Snapshot(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::string rel = fs::relative(e.path(), root).string();
    // What the run writes of its own (backups, log, report, the lock a
    // killed run leaves for the next to take over, the half-written copy
    // a kill leaves beside the file it was replacing) is no original.
    if (rel.rfind("RBackup", 0) == 0 || rel == "Wiz_Log.txt" || rel == "Wiz_Report.txt" ||
        rel == "Wiz_Run.lock" || rel.find(".migwiz-tmp") != std::string::npos)
      continue;
    files[rel] = ReadAll(e.path().string());
  }
  return files;
}

}  // namespace migwiz::testing
