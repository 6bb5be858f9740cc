#include "wizardlib/WizardHostBridge.h"

#include <cstdio>

#include "wizardlib/WizardServices.h"

namespace migwiz::platform {

// The handler of a library's menu item, held by the item and by the bridge.
struct TWizardHostBridge::TClick {
  void (*onClick)(void*) = nullptr;
  void* data = nullptr;
  void (*release)(void*) = nullptr;

  void Click() {
    if (onClick) onClick(data);
  }
  void Drop() {
    if (release) release(data);
    onClick = nullptr;
    release = nullptr;
  }
  ~TClick() { Drop(); }
};

namespace {

IOTAModule* M(MigWizModule m) { return reinterpret_cast<IOTAModule*>(m); }
MigWizModule H(IOTAModule* m) { return reinterpret_cast<MigWizModule>(m); }

// Nothing the host raises may unwind into the library.
template <class R, class F>
R Guard(R fallback, F&& f) noexcept {
  try {
    return f();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "migwiz host: %s\n", e.what());
  } catch (...) {
  }
  return fallback;
}

}  // namespace

struct TBridgeCalls {
  static TWizardHostBridge& B(void* host) { return *static_cast<TWizardHostBridge*>(host); }
  template <class T>
  static T* Need(T* services) {
    if (!services) throw EIntfCastError();
    return services;
  }
  static IOTAModuleServices* Modules(void* host) { return Need(B(host).ide_.ModuleServices()); }
  static INTAServices* Menu(void* host) { return Need(B(host).ide_.NTAServices()); }
  static IOTAActionServices* Actions(void* host) { return Need(B(host).ide_.ActionServices()); }

  static int module_count(void* host) {
    return Guard(0, [&] { return Modules(host)->ModuleCount(); });
  }
  static MigWizModule module(void* host, int index) {
    return Guard<MigWizModule>(nullptr, [&] { return H(Modules(host)->Module(index)); });
  }
  static int module_kind(void*, MigWizModule m) {
    if (dynamic_cast<IOTAProjectGroup*>(M(m))) return MIGWIZ_MODULE_PROJECT_GROUP;
    if (dynamic_cast<IOTAProject*>(M(m))) return MIGWIZ_MODULE_PROJECT;
    return MIGWIZ_MODULE_UNIT;
  }
  static size_t module_file_name(void*, MigWizModule m, char* buf, size_t size) {
    return CopyString(Guard(std::string(), [&] { return M(m)->FileName(); }), buf, size);
  }
  static int module_editor_count(void*, MigWizModule m) {
    return Guard(0, [&] { return M(m)->GetModuleFileCount(); });
  }
  static int module_editor_kind(void*, MigWizModule m, int editor) {
    return Guard(0, [&] {
      return dynamic_cast<IOTASourceEditor*>(M(m)->GetModuleFileEditor(editor)) ? MIGWIZ_EDITOR_SOURCE
                                                                                 : MIGWIZ_EDITOR_OTHER;
    });
  }
  static void module_editor_show(void*, MigWizModule m, int editor) {
    Guard(0, [&] {
      if (IOTAEditor* e = M(m)->GetModuleFileEditor(editor)) e->Show();
      return 0;
    });
  }
  static int module_owner_count(void*, MigWizModule m) {
    return Guard(0, [&] { return M(m)->GetOwnerCount(); });
  }
  static MigWizModule module_owner(void*, MigWizModule m, int index) {
    return Guard<MigWizModule>(nullptr, [&] { return H(M(m)->GetOwner(index)); });
  }
  static MigWizModule group_active_project(void*, MigWizModule g) {
    return Guard<MigWizModule>(nullptr, [&] {
      auto* group = dynamic_cast<IOTAProjectGroup*>(M(g));
      return group ? H(group->ActiveProject()) : nullptr;
    });
  }
  static int group_close(void*, MigWizModule g) {
    return Guard(0, [&] {
      auto* group = dynamic_cast<IOTAProjectGroup*>(M(g));
      return group && group->Close() ? 1 : 0;
    });
  }
  static IOTAProject* P(MigWizModule p) { return dynamic_cast<IOTAProject*>(M(p)); }
  static int project_save(void*, MigWizModule p, int changeName, int forceSave) {
    return Guard(0, [&] { return P(p) && P(p)->Save(changeName, forceSave) ? 1 : 0; });
  }
  static int project_module_count(void*, MigWizModule p) {
    return Guard(0, [&] { return P(p) ? P(p)->GetModuleCount() : 0; });
  }
  static size_t project_module_file_name(void*, MigWizModule p, int index, char* buf, size_t size) {
    return CopyString(Guard(std::string(), [&] {
                        return P(p) && index >= 0 && index < P(p)->GetModuleCount()
                                   ? P(p)->GetModuleFileName(index)
                                   : std::string();
                      }),
                      buf, size);
  }
  static int open_file(void* host, const char* name) {
    return Guard(0, [&] { return Actions(host)->OpenFile(name ? name : "") ? 1 : 0; });
  }
  static int open_project(void* host, const char* name, int newGroup) {
    return Guard(0, [&] {
      if (!name || !*name) return 0;  // nothing to open
      return Actions(host)->OpenProject(name, newGroup) ? 1 : 0;
    });
  }
  static int reload_file(void* host, const char* name) {
    return Guard(0, [&] { return Actions(host)->ReloadFile(name ? name : "") ? 1 : 0; });
  }
  static int menu_item_count(void* host) {
    return Guard(0, [&] { return static_cast<int>(Menu(host)->MainMenuItems().size()); });
  }
  static std::string MenuText(void* host, int index, bool caption) {
    auto items = Menu(host)->MainMenuItems();
    if (index < 0 || index >= static_cast<int>(items.size())) return {};
    return caption ? items[index].Caption : items[index].Name;
  }
  static size_t menu_item_name(void* host, int index, char* buf, size_t size) {
    return CopyString(Guard(std::string(), [&] { return MenuText(host, index, false); }), buf, size);
  }
  static size_t menu_item_caption(void* host, int index, char* buf, size_t size) {
    return CopyString(Guard(std::string(), [&] { return MenuText(host, index, true); }), buf, size);
  }
  static int menu_set_caption(void* host, const char* name, const char* caption) {
    return Guard(0, [&] { return Menu(host)->SetMenuItemCaption(name, caption) ? 1 : 0; });
  }
  static int menu_insert(void* host, const MigWizMenuItem* c, const char* target, int after, int child) {
    TWizardHostBridge& bridge = B(host);
    auto click = std::make_shared<TWizardHostBridge::TClick>();
    click->onClick = c->on_click;
    click->data = c->click_data;
    click->release = c->release_data;
    bridge.clicks_.push_back(click);
    return Guard(0, [&] {
      auto item = std::make_unique<TMenuItem>();
      item->Name = c->name ? c->name : "";
      item->Caption = c->caption ? c->caption : "";
      if (c->on_click) item->OnClick = [click] { click->Click(); };
      return Menu(host)->InsertMenuItem(std::move(item), target ? target : "", after, child) ? 1 : 0;
    });
  }
  static void message_box(void* host, const char* text, const char* caption, int flags) {
    Guard(0, [&] {
      B(host).app_.MessageBox(text ? text : "", caption ? caption : "", flags);
      return 0;
    });
  }
  static int message_box_ex(void* host, const char* text, const char* caption, int flags) {
    const int unanswered = (flags & MB_YESNO) ? IDNO : IDOK;
    return Guard(unanswered, [&] {
      return B(host).app_.MessageBox(text ? text : "", caption ? caption : "", flags);
    });
  }
  static void handle_exception(void* host, const char* message) {
    Guard(0, [&] {
      B(host).app_.HandleException(message ? message : "");
      return 0;
    });
  }
};

TWizardHostBridge::TWizardHostBridge(IBorlandIDEServices& ide, IOTAApplication& app)
    : ide_(ide), app_(app) {
  MigWizIDEServices& t = table_;
  t.size = sizeof(MigWizIDEServices);
  t.version = MIGWIZ_ABI_VERSION;
  t.host = this;
#define MIGWIZ_SET(name) t.name = &TBridgeCalls::name
  MIGWIZ_SET(module_count);
  MIGWIZ_SET(module);
  MIGWIZ_SET(module_kind);
  MIGWIZ_SET(module_file_name);
  MIGWIZ_SET(module_editor_count);
  MIGWIZ_SET(module_editor_kind);
  MIGWIZ_SET(module_editor_show);
  MIGWIZ_SET(module_owner_count);
  MIGWIZ_SET(module_owner);
  MIGWIZ_SET(group_active_project);
  MIGWIZ_SET(group_close);
  MIGWIZ_SET(project_save);
  MIGWIZ_SET(project_module_count);
  MIGWIZ_SET(project_module_file_name);
  MIGWIZ_SET(open_file);
  MIGWIZ_SET(open_project);
  MIGWIZ_SET(reload_file);
  MIGWIZ_SET(menu_item_count);
  MIGWIZ_SET(menu_item_name);
  MIGWIZ_SET(menu_item_caption);
  MIGWIZ_SET(menu_set_caption);
  MIGWIZ_SET(menu_insert);
  MIGWIZ_SET(message_box);
  MIGWIZ_SET(handle_exception);
  MIGWIZ_SET(message_box_ex);
#undef MIGWIZ_SET
}

TWizardHostBridge::~TWizardHostBridge() { Detach(); }

int TWizardHostBridge::RegisterProc(void* host, MigWizWizard* wizard) {
  auto& bridge = *static_cast<TWizardHostBridge*>(host);
  if (!wizard || !bridge.OnRegister) return 0;
  bridge.OnRegister(wizard);
  return 1;
}

void TWizardHostBridge::Detach() {
  for (auto& click : clicks_) click->Drop();
  clicks_.clear();
}

}  // namespace migwiz::platform
