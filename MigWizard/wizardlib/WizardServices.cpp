#include "wizardlib/WizardServices.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace migwiz::platform {

size_t CopyString(const std::string& s, char* buf, size_t size) {
  if (buf && size > 0) {
    size_t n = std::min(s.size(), size - 1);
    std::memcpy(buf, s.data(), n);
    buf[n] = '\0';
  }
  return s.size();
}

namespace {

// True when the host's table holds the member at offset and it is set.
bool Has(const MigWizIDEServices* t, size_t offset, const void* member) {
  return offset + sizeof(void*) <= t->size && member != nullptr;
}
#define MIGWIZ_HAS(t, m) Has(t, offsetof(MigWizIDEServices, m), reinterpret_cast<const void*>(t->m))

// Each click of a wizard's menu item carries its handler here.
struct TClickData {
  std::function<void()> onClick;
  IOTAApplication* application;
};

void ClickTrampoline(void* data) {
  auto* click = static_cast<TClickData*>(data);
  // No exception may reach the host; the host's handler shows it instead.
  try {
    if (click->onClick) click->onClick();
  } catch (const std::exception& e) {
    click->application->HandleException(e.what());
  } catch (...) {
    click->application->HandleException("Unknown error");
  }
}

void ReleaseClick(void* data) { delete static_cast<TClickData*>(data); }

}  // namespace

class TWizardServices::Editor : public IOTAEditor {
 public:
  Editor(const MigWizIDEServices* t, MigWizModule m, int index) : t_(t), m_(m), index_(index) {}
  void Show() override { t_->module_editor_show(t_->host, m_, index_); }

 private:
  const MigWizIDEServices* t_;
  MigWizModule m_;
  int index_;
};

// Source editors answer to IOTASourceEditor as well.
class SourceEditor : public IOTASourceEditor {
 public:
  SourceEditor(const MigWizIDEServices* t, MigWizModule m, int index) : t_(t), m_(m), index_(index) {}
  void Show() override { t_->module_editor_show(t_->host, m_, index_); }

 private:
  const MigWizIDEServices* t_;
  MigWizModule m_;
  int index_;
};

// What every kind of module proxy shares.
class TWizardServices::Proxy {
 public:
  Proxy(TWizardServices* owner, MigWizModule m) : owner_(owner), m_(m) {}
  virtual ~Proxy() = default;

 protected:
  const MigWizIDEServices* t() const { return owner_->t_; }
  std::string File() const {
    return FetchString([&](char* b, size_t n) { return t()->module_file_name(t()->host, m_, b, n); });
  }
  int EditorCount() const {
    return MIGWIZ_HAS(t(), module_editor_count) ? t()->module_editor_count(t()->host, m_) : 0;
  }
  IOTAEditor* EditorAt(int index) {
    if (index < 0 || index >= EditorCount()) return nullptr;
    int kind = t()->module_editor_kind(t()->host, m_, index);
    auto& slot = editors_[index];
    if (!slot.second || slot.first != kind) {
      slot.first = kind;
      if (kind == MIGWIZ_EDITOR_SOURCE)
        slot.second = std::make_unique<SourceEditor>(t(), m_, index);
      else
        slot.second = std::make_unique<Editor>(t(), m_, index);
    }
    return slot.second.get();
  }
  int OwnerCount() const {
    return MIGWIZ_HAS(t(), module_owner_count) ? t()->module_owner_count(t()->host, m_) : 0;
  }
  IOTAProject* OwnerAt(int index) {
    if (index < 0 || index >= OwnerCount()) return nullptr;
    return dynamic_cast<IOTAProject*>(owner_->ModuleOf(t()->module_owner(t()->host, m_, index)));
  }

  TWizardServices* owner_;
  MigWizModule m_;
  std::map<int, std::pair<int, std::unique_ptr<IOTAEditor>>> editors_;
};

#define MIGWIZ_MODULE_COMMON                                                      \
  std::string FileName() const override { return File(); }                      \
  int GetModuleFileCount() override { return EditorCount(); }                   \
  IOTAEditor* GetModuleFileEditor(int index) override { return EditorAt(index); } \
  int GetOwnerCount() override { return OwnerCount(); }                          \
  IOTAProject* GetOwner(int index) override { return OwnerAt(index); }

class TWizardServices::Unit : public IOTAModule, public Proxy {
 public:
  using Proxy::Proxy;
  MIGWIZ_MODULE_COMMON
};

class TWizardServices::Project : public IOTAProject, public Proxy {
 public:
  using Proxy::Proxy;
  MIGWIZ_MODULE_COMMON
  bool Save(bool changeName, bool forceSave) override {
    return t()->project_save(t()->host, m_, changeName, forceSave) != 0;
  }
  int GetModuleCount() const override { return t()->project_module_count(t()->host, m_); }
  std::string GetModuleFileName(int index) const override {
    return FetchString([&](char* b, size_t n) {
      return t()->project_module_file_name(t()->host, m_, index, b, n);
    });
  }
};

class TWizardServices::Group : public IOTAProjectGroup, public Proxy {
 public:
  using Proxy::Proxy;
  MIGWIZ_MODULE_COMMON
  IOTAProject* ActiveProject() override {
    return dynamic_cast<IOTAProject*>(owner_->ModuleOf(t()->group_active_project(t()->host, m_)));
  }
  bool Close() override { return t()->group_close(t()->host, m_) != 0; }
};

TWizardServices::TWizardServices(const MigWizIDEServices* table) : t_(table) {
  if (!t_ || t_->version != MIGWIZ_ABI_VERSION || t_->size < offsetof(MigWizIDEServices, module_count))
    throw std::invalid_argument("The host offers another version of the wizard interface.");
}

TWizardServices::~TWizardServices() = default;

IOTAModuleServices* TWizardServices::ModuleServices() {
  if (!MIGWIZ_HAS(t_, module_count) || !MIGWIZ_HAS(t_, module) || !MIGWIZ_HAS(t_, module_kind) ||
      !MIGWIZ_HAS(t_, module_file_name) || !MIGWIZ_HAS(t_, group_active_project) ||
      !MIGWIZ_HAS(t_, group_close) || !MIGWIZ_HAS(t_, project_save) ||
      !MIGWIZ_HAS(t_, project_module_count) || !MIGWIZ_HAS(t_, project_module_file_name))
    throw EIntfCastError();
  return this;
}

IOTAActionServices* TWizardServices::ActionServices() {
  if (!MIGWIZ_HAS(t_, open_file) || !MIGWIZ_HAS(t_, open_project) || !MIGWIZ_HAS(t_, reload_file))
    throw EIntfCastError();
  return this;
}

INTAServices* TWizardServices::NTAServices() {
  if (!MIGWIZ_HAS(t_, menu_item_count) || !MIGWIZ_HAS(t_, menu_item_name) ||
      !MIGWIZ_HAS(t_, menu_item_caption) || !MIGWIZ_HAS(t_, menu_set_caption) ||
      !MIGWIZ_HAS(t_, menu_insert))
    throw EIntfCastError();
  return this;
}

// A host whose table ends before message_box_ex shows an OK button only;
// its answer to a question is then No.
int TWizardServices::MessageBox(const std::string& text, const std::string& caption, int flags) {
  if (MIGWIZ_HAS(t_, message_box_ex)) return t_->message_box_ex(t_->host, text.c_str(), caption.c_str(), flags);
  if (MIGWIZ_HAS(t_, message_box)) t_->message_box(t_->host, text.c_str(), caption.c_str(), flags & ~MB_YESNO);
  return (flags & MB_YESNO) ? IDNO : IDOK;
}

void TWizardServices::HandleException(const std::string& message) {
  if (MIGWIZ_HAS(t_, handle_exception)) t_->handle_exception(t_->host, message.c_str());
}

IOTAModule* TWizardServices::ModuleOf(MigWizModule handle) {
  if (!handle) return nullptr;
  int kind = t_->module_kind(t_->host, handle);
  auto& slot = modules_[handle];
  if (!slot.second || slot.first != kind) {  // a new module, or a handle used again
    slot.first = kind;
    if (kind == MIGWIZ_MODULE_PROJECT)
      slot.second = std::make_unique<Project>(this, handle);
    else if (kind == MIGWIZ_MODULE_PROJECT_GROUP)
      slot.second = std::make_unique<Group>(this, handle);
    else
      slot.second = std::make_unique<Unit>(this, handle);
  }
  return slot.second.get();
}

int TWizardServices::ModuleCount() const { return t_->module_count(t_->host); }

IOTAModule* TWizardServices::Module(int index) { return ModuleOf(t_->module(t_->host, index)); }

bool TWizardServices::OpenFile(const std::string& fileName) {
  return t_->open_file(t_->host, fileName.c_str()) != 0;
}

bool TWizardServices::OpenProject(const std::string& projName, bool newProjGroup) {
  return t_->open_project(t_->host, projName.c_str(), newProjGroup) != 0;
}

bool TWizardServices::ReloadFile(const std::string& fileName) {
  return t_->reload_file(t_->host, fileName.c_str()) != 0;
}

std::vector<TMenuItemInfo> TWizardServices::MainMenuItems() {
  std::vector<TMenuItemInfo> out;
  int count = t_->menu_item_count(t_->host);
  for (int i = 0; i < count; ++i) {
    out.push_back(
        {FetchString([&](char* b, size_t n) { return t_->menu_item_name(t_->host, i, b, n); }),
         FetchString([&](char* b, size_t n) { return t_->menu_item_caption(t_->host, i, b, n); })});
  }
  return out;
}

bool TWizardServices::SetMenuItemCaption(const std::string& name, const std::string& caption) {
  return t_->menu_set_caption(t_->host, name.c_str(), caption.c_str()) != 0;
}

bool TWizardServices::InsertMenuItem(std::unique_ptr<TMenuItem> item, const std::string& target,
                                     bool insertAfter, bool insertAsChild) {
  MigWizMenuItem c{};
  c.name = item->Name.c_str();
  c.caption = item->Caption.c_str();
  if (item->OnClick) {
    c.on_click = ClickTrampoline;
    c.click_data = new TClickData{std::move(item->OnClick), this};
    c.release_data = ReleaseClick;
  }
  // The host owns the click data from here, whether it took the item or not.
  return t_->menu_insert(t_->host, &c, target.c_str(), insertAfter, insertAsChild) != 0;
}

}  // namespace migwiz::platform
