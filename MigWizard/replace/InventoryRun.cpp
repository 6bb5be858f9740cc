// The inventory: a replace run's conversion without its output.
#include "replace/Replacer.h"

namespace migwiz::replace {

void TComponentReplacer::TakeInventory() {
  struct EndOfInventory {
    TComponentReplacer& r;
    bool dryRun;
    ~EndOfInventory() {
      r.inventory_ = false;
      r.dryRun_ = dryRun;
      r.DropFilesOfTheRun();
    }
  } end{*this, dryRun_};
  inventory_ = true;
  dryRun_ = true;  // no log, no report file
  ResetRunState();
  BeginReport();
  InitUnitList();
  FindDescendants();
  ConvertFiles(std::string());  // no file is written, so no temporary folder is needed
  FinishReport();
}

}  // namespace migwiz::replace
