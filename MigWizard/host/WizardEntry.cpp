// The wizard library's entry, INITWIZARD0001, and the wizard object as the
// host sees it through WizardABI.h.
#include <cstdio>
#include <cstring>
#include <memory>

#include "dialogs/TarnWizard.h"
#include "host/ReplaceExpert.h"
#include "wizardlib/WizardABI.h"
#include "wizardlib/WizardServices.h"
#include "replace/TarnReplacer.h"
#include "resources/RExpertRes.h"

namespace migwiz::host {

namespace {

using platform::CopyString;
using platform::IOTAWizard;

// The product's menu object: the top-level "&Tarnbase" item.
const platform::TOrrinProductMenu& TarnMenu() {
  static const platform::TOrrinProductMenu menu{"TarnbaseMenu", RExpertRes::SProductName, ""};
  return menu;
}

// A wizard handed to the host: a C object with its own reference count that
// holds one reference to the wizard object.
struct TExportedWizard : MigWizWizard {
  explicit TExportedWizard(IOTAWizard* wizard) : wizard(wizard) {
    vtbl = &kVtbl;
    wizard->AddRef();
  }
  ~TExportedWizard() { wizard->Release(); }

  static TExportedWizard* Of(MigWizWizard* self) { return static_cast<TExportedWizard*>(self); }
  static IOTAWizard* W(MigWizWizard* self) { return Of(self)->wizard; }

  // No exception may reach the host: each call that can raise answers empty.
  template <class F>
  static auto Safe(F&& f, decltype(f()) fallback) noexcept -> decltype(f()) {
    try {
      return f();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "migwiz wizard: %s\n", e.what());
    } catch (...) {
    }
    return fallback;
  }

  static int32_t QueryInterface(MigWizWizard* self, const MigWizGUID* iid, void** obj) {
    static const MigWizGUID wizardIID = MIGWIZ_IID_WIZARD;
    const bool unknown = iid->d1 == 0 && iid->d2 == 0 && iid->d3 == 0 && iid->d4[0] == 0xC0 && iid->d4[7] == 0x46;
    if (unknown || std::memcmp(iid, &wizardIID, sizeof wizardIID) == 0) {
      *obj = self;
      AddRef(self);
      return platform::S_OK;
    }
    *obj = nullptr;
    return platform::E_NOINTERFACE;
  }
  static uint32_t AddRef(MigWizWizard* self) { return ++Of(self)->refCount; }
  static uint32_t Release(MigWizWizard* self) {
    uint32_t left = --Of(self)->refCount;
    if (left == 0) delete Of(self);
    return left;
  }
  static void AfterSave(MigWizWizard* self) { W(self)->AfterSave(); }
  static void BeforeSave(MigWizWizard* self) { W(self)->BeforeSave(); }
  static void Destroyed(MigWizWizard* self) { W(self)->Destroyed(); }
  static void Modified(MigWizWizard* self) { W(self)->Modified(); }
  static size_t GetIDString(MigWizWizard* self, char* buf, size_t size) {
    return CopyString(Safe([&] { return W(self)->GetIDString(); }, std::string()), buf, size);
  }
  static size_t GetName(MigWizWizard* self, char* buf, size_t size) {
    return CopyString(Safe([&] { return W(self)->GetName(); }, std::string()), buf, size);
  }
  static uint32_t GetState(MigWizWizard* self) { return W(self)->GetState(); }
  static void Execute(MigWizWizard* self) {
    Safe([&] { W(self)->Execute(); return 0; }, 0);
  }

  static constexpr MigWizWizardVtbl kVtbl = {QueryInterface, AddRef,      Release, AfterSave,
                                             BeforeSave,     Destroyed,   Modified, GetIDString,
                                             GetName,        GetState,    Execute};
  IOTAWizard* wizard;
  uint32_t refCount = 0;
};

// The host's services as this library sees them, for the library's lifetime.
std::unique_ptr<platform::TWizardServices>& Services() {
  static std::unique_ptr<platform::TWizardServices> services;
  return services;
}

void ReportToHost(const MigWizIDEServices* services, const char* message) {
  if (Services()) Services()->HandleException(message);
  else if (services && services->handle_exception) services->handle_exception(services->host, message);
  else std::fprintf(stderr, "migwiz wizard: %s\n", message);
}

}  // namespace

}  // namespace migwiz::host

using namespace migwiz;

extern "C" __attribute__((visibility("default"))) int INITWIZARD0001(
    const MigWizIDEServices* services, MigWizRegisterProc registerProc,
    MigWizTerminateProc* terminate) {
  try {
    auto& proxy = host::Services();
    if (!platform::BorlandIDEServices) {
      proxy = std::make_unique<platform::TWizardServices>(services);
      platform::BorlandIDEServices = proxy.get();
      platform::Application = proxy.get();
    }
    replace::TTarnProfile& profile = replace::TarnProfile();
    platform::TIntf<platform::IOTAWizard> wizard(new host::TCompReplaceExpert(
        dialogs::TarnWizardFormClass(), RExpertRes::SProductName, host::TarnMenu(),
        profile.replacer.get()));
    auto* exported = new host::TExportedWizard(wizard.get());
    host::TExportedWizard::AddRef(exported);
    registerProc(services ? services->host : nullptr, exported);  // the host adds its own reference
    host::TExportedWizard::Release(exported);
  } catch (const std::exception& e) {
    host::ReportToHost(services, e.what());
  } catch (...) {
    host::ReportToHost(services, "Unknown error");
  }
  (void)terminate;  // left unset: nothing to do before unloading
  return 1;
}
