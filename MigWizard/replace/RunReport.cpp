#include "replace/RunReport.h"

#include "platform/Paths.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using support::SameText;

void TRunReport::Begin(TReportMode mode, std::string source, bool dryRun, bool linkConnections) {
  *this = TRunReport();
  mode_ = mode;
  source_ = std::move(source);
  root_ = mode == TReportMode::rmFolder ? source_ : support::ExtractFileDir(source_);
  dryRun_ = dryRun;
  linkConnections_ = linkConnections;
}

void TRunReport::AddConvertedObject(TConvertedObject object) { converted_.push_back(std::move(object)); }
void TRunReport::SetConvertedLine(size_t object, int line) {
  if (object < converted_.size()) converted_[object].Place.ConvertedLine = line;
}
void TRunReport::AddUnparsedObject(TUnparsedObject object) { unparsed_.push_back(std::move(object)); }
void TRunReport::AddUnitChange(TUnitChange change) { units_.push_back(std::move(change)); }

void TRunReport::AddManualWork(const std::string& file, const std::vector<TManualWorkItem>& items) {
  for (const TManualWorkItem& item : items) manualWork_.push_back({file, item});
}

void TRunReport::AddChangedFile(const std::string& file, int changes) {
  changedFiles_.push_back({file, changes});
}

void TRunReport::SetFiles(std::string logFile, std::string undoFile, std::string reportFile) {
  logFile_ = std::move(logFile);
  undoFile_ = std::move(undoFile);
  reportFile_ = std::move(reportFile);
}

namespace {

std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

// Every dataset left without a connection, whether it had a DatabaseName
// or not, with the reason.
std::vector<TUnlinkedDataset> TRunReport::UnlinkedDatasets() const {
  std::vector<TUnlinkedDataset> unlinked;
  for (const TConvertedObject& o : converted_)
    if (o.NeedsConnection && o.Connection.Reason != TLinkReason::lrLinked)
      unlinked.push_back({o.File, o.Place, o.Name, o.Connection.DatabaseName, o.Connection});
  return unlinked;
}

void TRunReport::AddObjectWithoutCounterpart(TObjectWithoutCounterpart object) {
  noCounterpart_.push_back(std::move(object));
}

void TRunReport::AddSelfCheckFinding(TSelfCheckFinding finding) { selfCheck_.push_back(std::move(finding)); }

size_t TRunReport::RenamedInCommentsCount() const {
  size_t n = 0;
  for (const TUnitChange& u : units_) n += static_cast<size_t>(u.RenamedInComments);
  return n;
}

size_t TRunReport::UncheckedObjectsCount() const {
  size_t n = 0;
  for (const TConvertedObject& o : converted_) n += o.PropertiesChecked ? 0 : 1;
  return n;
}

std::vector<TDatabaseObject> TRunReport::DatabaseObjects() const {
  std::vector<TDatabaseObject> databases;
  for (const TConvertedObject& o : converted_) {
    if (o.OldClass != "TDatabase") continue;
    for (const TDroppedProperty& p : o.Dropped) {
      if (p.ParamLine || p.Name != "DatabaseName") continue;
      std::string root = o.Place.Path.substr(0, o.Place.Path.find('.'));
      databases.push_back({o.File, Unquoted(p.Value), root + "." + o.Name});
    }
  }
  return databases;
}

const TDatabaseObject* TRunReport::FindDatabase(const std::vector<TDatabaseObject>& databases,
                                                const std::string& databaseName) const {
  const TDatabaseObject* found = nullptr;
  for (const TDatabaseObject& d : databases)
    if (SameText(d.DatabaseName, databaseName)) found = &d;
  return found;
}

size_t TRunReport::TranslatedCount() const {
  size_t n = 0;
  for (const TConvertedObject& o : converted_) n += o.Translated.size();
  return n;
}

size_t TRunReport::DroppedCount() const {
  size_t n = 0;
  for (const TConvertedObject& o : converted_) n += o.Dropped.size();
  return n;
}

std::string TRunReport::Relative(const std::string& file) const {
  if (root_.empty()) return file;
  std::string base = root_.back() == platform::kPathDelim ? root_ : root_ + platform::kPathDelim;
  if (file.size() >= base.size() && platform::SameFileName(std::string_view(file).substr(0, base.size()), base))
    return file.substr(base.size());
  return file;
}

}  // namespace migwiz::replace
