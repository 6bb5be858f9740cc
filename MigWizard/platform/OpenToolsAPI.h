// What the wizard asks of its host: the open modules with their editors,
// the project group and its active project, file actions, the main menu,
// and the application's message box and error handler. A host fills in
// BorlandIDEServices and Application; a wizard library gets them through
// the binary interface of wizardlib/WizardABI.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace migwiz::platform {

class IOTAProject;

// A view of a module: its source text or its form.
class IOTAEditor {
 public:
  virtual ~IOTAEditor() = default;
  // Brings the editor to the front of its module.
  virtual void Show() = 0;
};

class IOTASourceEditor : public IOTAEditor {};

class IOTAModule {
 public:
  virtual ~IOTAModule() = default;
  virtual std::string FileName() const = 0;
  // The editors of an open module: a unit has its source and, with a form, the form.
  virtual int GetModuleFileCount() { return 0; }
  virtual IOTAEditor* GetModuleFileEditor(int /*index*/) { return nullptr; }
  // The projects the module belongs to.
  virtual int GetOwnerCount() { return 0; }
  virtual IOTAProject* GetOwner(int /*index*/) { return nullptr; }
};

class IOTAProject : public IOTAModule {
 public:
  virtual bool Save(bool changeName, bool forceSave) = 0;
  virtual int GetModuleCount() const = 0;
  virtual std::string GetModuleFileName(int index) const = 0;
};

class IOTAProjectGroup : public IOTAModule {
 public:
  virtual IOTAProject* ActiveProject() = 0;
  virtual bool Close() = 0;
};

class IOTAModuleServices {
 public:
  virtual ~IOTAModuleServices() = default;
  virtual int ModuleCount() const = 0;
  virtual IOTAModule* Module(int index) = 0;
};

class IOTAActionServices {
 public:
  virtual ~IOTAActionServices() = default;
  virtual bool OpenFile(const std::string& fileName) = 0;
  virtual bool OpenProject(const std::string& projName, bool newProjGroup) = 0;
  virtual bool ReloadFile(const std::string& fileName) = 0;
};

struct TMenuItem {
  std::string Name;     // component name
  std::string Caption;
  std::function<void()> OnClick;
  std::vector<std::unique_ptr<TMenuItem>> Items;
};

struct TMenuItemInfo {
  std::string Name;
  std::string Caption;
};

class INTAServices {
 public:
  virtual ~INTAServices() = default;
  // The top-level items of the main menu, first to last.
  virtual std::vector<TMenuItemInfo> MainMenuItems() = 0;
  virtual bool SetMenuItemCaption(const std::string& name, const std::string& caption) = 0;
  // Inserts item before or after the item named target, or as its child.
  virtual bool InsertMenuItem(std::unique_ptr<TMenuItem> item, const std::string& target,
                              bool insertAfter, bool insertAsChild) = 0;
};

class IBorlandIDEServices {
 public:
  virtual ~IBorlandIDEServices() = default;
  virtual IOTAModuleServices* ModuleServices() = 0;
  virtual IOTAActionServices* ActionServices() = 0;
  virtual INTAServices* NTAServices() = 0;
};

// Message box flags: the buttons (OK alone unless MB_YESNO) and the icon.
inline constexpr int MB_OK = 0;
inline constexpr int MB_YESNO = 4;
inline constexpr int MB_ICONSTOP = 16;
inline constexpr int MB_ICONINFORMATION = 64;
// The button that closed a message box.
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The host application: its message box and its standard handler for an
// error that leaves a menu command.
class IOTAApplication {
 public:
  virtual ~IOTAApplication() = default;
  // Modal; returns the button pressed. A host that shows no boxes (pictures,
  // tests) answers a question with IDNO.
  virtual int MessageBox(const std::string& text, const std::string& caption, int flags) = 0;
  virtual void HandleException(const std::string& message) = 0;
};

// The host's services; null when there is no host.
extern IBorlandIDEServices* BorlandIDEServices;
// The host's application; null when there is none.
extern IOTAApplication* Application;

// A host that lacks a queried interface.
class EIntfCastError : public std::runtime_error {
 public:
  EIntfCastError() : std::runtime_error("Interface not supported") {}
};

// --- Wizards -------------------------------------------------------------

struct TGUID {
  uint32_t D1;
  uint16_t D2, D3;
  uint8_t D4[8];
  bool operator==(const TGUID&) const = default;
};

class IInterface {
 public:
  virtual int32_t QueryInterface(const TGUID& iid, void** obj) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IInterface() = default;
};

inline constexpr int32_t S_OK = 0;
inline constexpr int32_t E_NOINTERFACE = static_cast<int32_t>(0x80004002u);

// The state of a wizard's menu item: a set of these flags.
using TWizardState = uint32_t;
inline constexpr TWizardState wsEnabled = 1;
inline constexpr TWizardState wsChecked = 2;

class IOTAWizard : public IInterface {
 public:
  static constexpr TGUID IID = {0x6D3A51C2, 0x8E4B, 0x4F0A, {0x9C, 0x21, 0x5B, 0x7E, 0x03, 0xD4, 0x68, 0xA1}};
  virtual void AfterSave() = 0;
  virtual void BeforeSave() = 0;
  virtual void Destroyed() = 0;
  virtual void Modified() = 0;
  virtual std::string GetIDString() = 0;
  virtual std::string GetName() = 0;
  virtual TWizardState GetState() = 0;
  virtual void Execute() = 0;
};

inline constexpr TGUID IID_IInterface = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Reference counting for objects handed out as interfaces: the count starts
// at 0 and the object deletes itself when the last reference goes.
class TInterfacedObject {
 public:
  uint32_t RefCount() const { return refCount_; }

 protected:
  virtual ~TInterfacedObject() = default;
  uint32_t DoAddRef() { return ++refCount_; }
  uint32_t DoRelease() {
    uint32_t left = --refCount_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<uint32_t> refCount_{0};
};

// Holds one reference to an interface.
template <class I>
class TIntf {
 public:
  TIntf() = default;
  explicit TIntf(I* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  TIntf(const TIntf& o) : TIntf(o.p_) {}
  TIntf& operator=(TIntf o) {
    std::swap(p_, o.p_);
    return *this;
  }
  ~TIntf() {
    if (p_) p_->Release();
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  I* p_ = nullptr;
};

// A main menu that inserts items by name: the menu part of a host.
class TMenuModel : public INTAServices {
 public:
  std::vector<TMenuItemInfo> MainMenuItems() override;
  bool SetMenuItemCaption(const std::string& name, const std::string& caption) override;
  bool InsertMenuItem(std::unique_ptr<TMenuItem> item, const std::string& target,
                      bool insertAfter, bool insertAsChild) override;
  TMenuItem& MainMenu() { return root_; }
  TMenuItem* FindItem(const std::string& name);

 private:
  TMenuItem root_;
};

}  // namespace migwiz::platform
