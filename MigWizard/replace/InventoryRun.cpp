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
      r.unitList_.clear();
      r.listed_.clear();
      r.listings_.Clear();
      r.keptForms_.clear();
      r.keptFormBytes_ = 0;
      r.keptUnits_.clear();
      r.keptUnitBytes_ = 0;
      r.keptOutputs_.clear();
      r.keptOutputBudget_.Clear();
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
