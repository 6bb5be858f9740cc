// The replacer's side of the run report: started with each run, written
// beside the log when the run succeeded.
#include "host/IDEUtils.h"
#include "replace/Replacer.h"
#include "replace/RunReportText.h"
#include "resources/RExpertRes.h"
#include "support/FileUtils.h"

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

// A run that does not link still tells each dataset which TDatabase a
// linking run would link it to, chosen the same way.
void TComponentReplacer::SuggestConnections() {
  if (!resolver_.HasDatabases()) {
    for (const TDatabaseObject& d : report_.DatabaseObjects()) {
      const size_t dot = d.Reference.find('.');
      resolver_.AddDatabase(d.DatabaseName, d.File, d.Reference.substr(0, dot), d.Reference.substr(dot + 1));
    }
  }
  for (TConvertedObject& o : report_.ConvertedObjectsToAmend()) {
    if (!o.NeedsConnection || o.Connection.Reason != TLinkReason::lrNotLinking) continue;
    // "not linking" stays only where a linking run would link; else the
    // reason a linking run would give.
    TConnectionChoice would = resolver_.Resolve(o.File, o.Connection.DatabaseName);
    if (would.Reason == TLinkReason::lrLinked) would.Reason = TLinkReason::lrNotLinking;
    o.Connection = std::move(would);
  }
}

// The originals are replaced by now: a report that cannot be written does
// not make the run fail; the caller is told through ReportError.
void TComponentReplacer::FinishReport() noexcept {
  const TReplaceOptions& opt = *replaceOptions_;
  SuggestConnections();
  for (const TFileChanges& f : changedFiles_) report_.AddChangedFile(f.FileName, f.Changes);
  std::string file;
  if (opt.WriteReport && !dryRun_) file = ConcatPath(report_.Root(), kReportFileName);
  report_.SetFiles(logFileName_, undoFileName_, file);
  if (file.empty()) return;
  try {
    std::string err;
    if (env_.fs->WriteFile(file, RunReportText(report_), err)) reportFileName_ = file;
    else reportError_ = err;
  } catch (const std::exception& e) {
    reportError_ = e.what();
  }
}

}  // namespace migwiz::replace
