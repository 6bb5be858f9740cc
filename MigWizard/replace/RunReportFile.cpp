// The replacer's side of the run report: started with each run, written
// beside the log when the run succeeded.
#include "host/IDEUtils.h"
#include "replace/Replacer.h"
#include "replace/RunReportText.h"
#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;

void TComponentReplacer::BeginReport() {
  const TReplaceOptions& opt = *replaceOptions_;
  const bool inFolder = opt.Dest == TSearchDestination::sdDirectory;
  report_.Begin(inFolder ? TReportMode::rmFolder : TReportMode::rmProject,
                inFolder ? opt.Directory : host::TIDEUtils::GetProjectName(), dryRun_,
                inFolder && opt.LinkConnections);
  reportFileName_.clear();
  reportError_.clear();
}

// The originals are replaced by now: a report that cannot be written does
// not make the run fail; the caller is told through ReportError.
void TComponentReplacer::FinishReport() noexcept {
  const TReplaceOptions& opt = *replaceOptions_;
  for (const TFileChanges& f : changedFiles_) report_.AddChangedFile(f.FileName, f.Changes);
  std::string file;
  if (opt.WriteReport && !dryRun_) file = ConcatPath(report_.Root(), kReportFileName);
  report_.SetFiles(logFileName_, undoFileName_, file);
  if (file.empty()) return;
  try {
    std::string err;
    if (env_.fs->IsLink(file)) {  // made during the run: never written through
      reportError_ = FormatStr(RExpertRes::SRunFileIsLink, {file});
      return;
    }
    if (env_.fs->WriteFile(file, RunReportText(report_), err)) reportFileName_ = file;
    else reportError_ = err;
  } catch (const std::exception& e) {
    reportError_ = e.what();
  }
}

}  // namespace migwiz::replace
