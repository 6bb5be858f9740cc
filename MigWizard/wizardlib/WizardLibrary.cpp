#include "wizardlib/WizardLibrary.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>

#include "wizardlib/WizardServices.h"

namespace migwiz::platform {

TWizardLibrary::TWizardLibrary(const std::string& fileName, IBorlandIDEServices& ide,
                               IOTAApplication& app)
    : fileName_(fileName), bridge_(ide, app) {
  handle_ = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    throw EWizardLibraryError("Cannot load wizard library \"" + fileName + "\": " + (why ? why : "unknown error"));
  }
  entry_ = reinterpret_cast<MigWizInitWizardProc>(dlsym(handle_, MIGWIZ_WIZARD_ENTRY));
  if (!entry_) {
    dlclose(handle_);
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
  dlclose(handle_);
}

std::vector<std::string> WizardLibraryFiles(const std::vector<std::string>& folders) {
  std::vector<std::string> files;
  for (const std::string& folder : folders) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) continue;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name.size() < 4 || name.compare(name.size() - 3, 3, ".so") != 0) continue;
      struct stat st;
      std::string path = folder + "/" + name;
      if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      auto same = [&](const std::string& f) { return f.substr(f.rfind('/') + 1) == name; };
      std::erase_if(files, same);
      files.push_back(folder + "/" + name);
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
