// The wizard library's entry, called through the binary interface as a
// host calls it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

#include "platform/StandaloneIDE.h"
#include "wizardlib/WizardHostBridge.h"
#include "wizardlib/WizardLibrary.h"
#include "wizardlib/WizardServices.h"
#include "testing/TempDir.h"

using namespace migwiz;
using namespace migwiz::platform;

namespace {

class RecordingApplication : public IOTAApplication {
 public:
  std::vector<std::string> messages, errors;
  int answer = IDYES;  // to a question
  int MessageBox(const std::string& text, const std::string&, int flags) override {
    messages.push_back(text + "|" + std::to_string(flags));
    return (flags & MB_YESNO) ? answer : IDOK;
  }
  void HandleException(const std::string& message) override { errors.push_back(message); }
};

// Services whose menu part is missing, as a host without menus offers them.
class NoMenuIDE : public TStandaloneIDE {
 public:
  INTAServices* NTAServices() override { return nullptr; }
};

std::vector<TMenuItem*> ProductItems(TStandaloneIDE& ide) {
  std::vector<TMenuItem*> out;
  if (TMenuItem* product = ide.Menu().FindItem("TarnbaseMenu"))
    for (auto& item : product->Items) out.push_back(item.get());
  return out;
}

}  // namespace

TEST(WizardEntry, CalledTwiceMakesTwoWizardsAndTwoItems) {
  TStandaloneIDE ide;
  RecordingApplication app;
  {
    TWizardLibrary library(MIGWIZ_PLUGIN_FILE, ide, app);
    ASSERT_EQ(library.Wizards().size(), 1u);
    EXPECT_TRUE(library.CallEntry());
    ASSERT_EQ(library.Wizards().size(), 2u);
    EXPECT_NE(library.Wizards()[0], library.Wizards()[1]);
    EXPECT_EQ(ide.Menu().MainMenu().Items.size(), 1u);  // one product menu
    std::vector<TMenuItem*> items = ProductItems(ide);
    ASSERT_EQ(items.size(), 2u);
    for (TMenuItem* item : items) {
      EXPECT_EQ(item->Name, "RExpertItemBDETarnbase");
      EXPECT_EQ(item->Caption, "&Migration Wizard...");  // it opens a dialog
    }
    MigWizWizard* w = library.Wizards()[0];
    EXPECT_EQ(WizardIDString(w), "Corvane.BDEMigrationWizard.Tarnbase");
    EXPECT_EQ(WizardName(w), "BDE Migration Wizard");
    EXPECT_EQ(w->vtbl->GetState(w), 0u);
    // The interface answers for itself and for the base interface only.
    void* obj = nullptr;
    MigWizGUID wizardIID = MIGWIZ_IID_WIZARD, other = {1, 2, 3, {4}};
    EXPECT_EQ(w->vtbl->QueryInterface(w, &wizardIID, &obj), 0);
    EXPECT_EQ(obj, w);
    w->vtbl->Release(w);
    EXPECT_NE(w->vtbl->QueryInterface(w, &other, &obj), 0);
    EXPECT_EQ(obj, nullptr);
    EXPECT_TRUE(app.errors.empty());
  }
  // Unloaded, with its profile: the items stay in the menu, and picking one does nothing.
  EXPECT_EQ(dlopen(MIGWIZ_PLUGIN_FILE, RTLD_NOW | RTLD_NOLOAD), nullptr);
  std::vector<TMenuItem*> items = ProductItems(ide);
  ASSERT_EQ(items.size(), 2u);
  items[0]->OnClick();
  EXPECT_TRUE(app.messages.empty());
  EXPECT_TRUE(app.errors.empty());
}

TEST(WizardEntry, ErrorInsideTheEntryGoesToTheHandler) {
  NoMenuIDE ide;
  RecordingApplication app;
  TWizardHostBridge bridge(ide, app);
  int registered = 0;
  bridge.OnRegister = [&](MigWizWizard*) { ++registered; };
  MigWizIDEServices table = *bridge.Table();
  table.menu_insert = nullptr;  // the host offers no way to put an item into its menu

  void* handle = dlopen(MIGWIZ_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto entry = reinterpret_cast<MigWizInitWizardProc>(dlsym(handle, MIGWIZ_WIZARD_ENTRY));
  ASSERT_NE(entry, nullptr);
  MigWizTerminateProc terminate = nullptr;
  EXPECT_EQ(entry(&table, &TWizardHostBridge::RegisterProc, &terminate), 1);
  ASSERT_EQ(app.errors.size(), 1u);
  EXPECT_EQ(app.errors[0], "Interface not supported");
  EXPECT_EQ(registered, 0);  // the error came before registration
  EXPECT_EQ(terminate, nullptr);
  bridge.Detach();
  dlclose(handle);
}

TEST(WizardEntry, ServicesSeenFromInsideTheLibrary) {
  // The table as a library reads it answers as the host's own objects do.
  migwiz::testing::TempDir dir;
  dir.Write("P/App.dpr", "program App;\r\nuses A in 'A.pas';\r\nbegin end.\r\n");
  dir.Write("P/A.pas", "unit A;");
  TStandaloneIDE ide;
  RecordingApplication app;
  TWizardHostBridge bridge(ide, app);
  TWizardServices services(bridge.Table());
  EXPECT_EQ(services.ModuleServices()->ModuleCount(), 0);
  ASSERT_TRUE(services.ActionServices()->OpenProject(dir.Path("P/App.dpr"), true));
  EXPECT_FALSE(services.ActionServices()->OpenProject("", true));
  ASSERT_EQ(services.ModuleServices()->ModuleCount(), 1);
  auto* group = dynamic_cast<IOTAProjectGroup*>(services.ModuleServices()->Module(0));
  ASSERT_NE(group, nullptr);
  IOTAProject* project = group->ActiveProject();
  ASSERT_NE(project, nullptr);
  EXPECT_EQ(project, group->ActiveProject());  // the same object each time
  EXPECT_EQ(project->FileName(), dir.Path("P/App.dpr"));
  ASSERT_EQ(project->GetModuleCount(), 2);
  EXPECT_EQ(project->GetModuleFileName(1), dir.Path("P/A.pas"));
  EXPECT_TRUE(project->Save(false, true));
  EXPECT_TRUE(group->Close());
  EXPECT_EQ(services.ModuleServices()->ModuleCount(), 0);
  EXPECT_EQ(services.MessageBox("hello", "title", MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(services.MessageBox("open?", "title", MB_ICONINFORMATION | MB_YESNO), IDYES);
  app.answer = IDNO;
  EXPECT_EQ(services.MessageBox("open?", "title", MB_ICONINFORMATION | MB_YESNO), IDNO);
  EXPECT_EQ(app.messages, (std::vector<std::string>{"hello|64", "open?|68", "open?|68"}));
  // A host whose table ends before the box with buttons shows OK only and is taken as No.
  MigWizIDEServices first = *bridge.Table();
  first.size = offsetof(MigWizIDEServices, message_box_ex);
  TWizardServices firstServices(&first);
  app.messages.clear();
  app.answer = IDYES;
  EXPECT_EQ(firstServices.MessageBox("open?", "title", MB_ICONINFORMATION | MB_YESNO), IDNO);
  EXPECT_EQ(app.messages, std::vector<std::string>{"open?|64"});
  // A long name crosses whole.
  std::string longName(1000, 'x');
  EXPECT_EQ(FetchString([&](char* b, size_t n) { return CopyString(longName, b, n); }), longName);
  MigWizIDEServices old = *bridge.Table();
  old.version = 99;
  EXPECT_THROW(TWizardServices{&old}, std::invalid_argument);
}

TEST(WizardEntry, LibraryFilesOfThePluginFolders) {
  migwiz::testing::TempDir dir;
  dir.Write("installed/libmigwiz-expert.so", "");
  dir.Write("installed/libother.so", "");
  dir.Write("installed/readme.txt", "");
  dir.Write("test/libmigwiz-expert.so", "");
  std::vector<std::string> files = WizardLibraryFiles({dir.Path("installed"), dir.Path("missing"), dir.Path("test")});
  EXPECT_EQ(files, (std::vector<std::string>{dir.Path("installed/libother.so"), dir.Path("test/libmigwiz-expert.so")}));
  NoMenuIDE ide;
  RecordingApplication app;
  EXPECT_THROW(TWizardLibrary(dir.Path("installed/libother.so"), ide, app), EWizardLibraryError);
}
