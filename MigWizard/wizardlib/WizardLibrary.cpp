#include "wizardlib/WizardLibrary.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "wizardlib/LibraryLoader.h"
#include "wizardlib/WizardServices.h"

namespace migwiz::platform {

TWizardLibrary::TWizardLibrary(const std::string& fileName, IBorlandIDEServices& ide,
                               IOTAApplication& app)
    : fileName_(fileName), bridge_(ide, app) {
  std::string why;
  handle_ = LoadSharedLibrary(fileName, why);
  if (!handle_) throw EWizardLibraryError("Cannot load wizard library \"" + fileName + "\": " + why);
  entry_ = reinterpret_cast<MigWizInitWizardProc>(SharedLibrarySymbol(handle_, MIGWIZ_WIZARD_ENTRY));
  if (!entry_) {
    UnloadSharedLibrary(handle_);
    throw EWizardLibraryError("\"" + fileName + "\" has no entry " MIGWIZ_WIZARD_ENTRY ".");
  }
  bridge_.OnRegister = [this](MigWizWizard* wizard) {
    wizard->vtbl->AddRef(wizard);
    wizards_.push_back(wizard);
  };
  CallEntry();
}

bool TWizardLibrary::CallEntry() {
  return entry_(bridge_.Table(), &TWizardHostBridge::RegisterProc, &terminate_) != 0;
}

TWizardLibrary::~TWizardLibrary() {
  // Last registered, first released.
  for (auto it = wizards_.rbegin(); it != wizards_.rend(); ++it) (*it)->vtbl->Release(*it);
  wizards_.clear();
  if (terminate_) terminate_();
  bridge_.Detach();
  UnloadSharedLibrary(handle_);
}

std::vector<std::string> WizardLibraryFiles(const std::vector<std::string>& folders) {
  std::vector<std::string> files;
  FileSystem& fs = SystemFileSystem();
  const std::string suffix = kSharedLibrarySuffix;
  for (const std::string& folder : folders) {
    std::vector<DirEntry> entries;
    if (!fs.ListDirectory(folder, entries)) continue;
    std::vector<std::string> names;
    for (const DirEntry& entry : entries) {
      const std::string& name = entry.name;
      if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        continue;
      if (fs.KindOf(folder + kPathDelim + name) == FileKind::Regular) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      auto same = [&](const std::string& f) { return f.substr(f.rfind(kPathDelim) + 1) == name; };
      std::erase_if(files, same);
      files.push_back(folder + kPathDelim + name);
    }
  }
  return files;
}

std::string WizardName(MigWizWizard* w) {
  return FetchString([&](char* b, size_t n) { return w->vtbl->GetName(w, b, n); });
}

std::string WizardIDString(MigWizWizard* w) {
  return FetchString([&](char* b, size_t n) { return w->vtbl->GetIDString(w, b, n); });
}

}  // namespace migwiz::platform
