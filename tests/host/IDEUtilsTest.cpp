#include "host/IDEUtils.h"

#include <gtest/gtest.h>

#include "platform/StandaloneIDE.h"
#include "testing/TempDir.h"

using namespace migwiz;
using host::TIDEUtils;
using platform::TMenuItem;

namespace {

class IDEUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::BorlandIDEServices = &ide; }
  void TearDown() override { platform::BorlandIDEServices = nullptr; }

  std::vector<std::string> TopCaptions() {
    std::vector<std::string> out;
    for (auto& item : ide.Menu().MainMenu().Items) out.push_back(item->Caption);
    return out;
  }
  void AddTop(const std::string& name, const std::string& caption) {
    auto item = std::make_unique<TMenuItem>();
    item->Name = name;
    item->Caption = caption;
    ide.Menu().MainMenu().Items.push_back(std::move(item));
  }

  platform::TStandaloneIDE ide;
  migwiz::testing::TempDir dir;
};

}  // namespace

TEST_F(IDEUtilsTest, NoProjectAnswers) {
  EXPECT_EQ(TIDEUtils::GetProjectName(), "");
  EXPECT_EQ(TIDEUtils::GetUnitCount(), 0);
  EXPECT_EQ(TIDEUtils::GetUnitName(0), "");
  EXPECT_FALSE(TIDEUtils::SaveProject());
  EXPECT_TRUE(TIDEUtils::CloseProject());
  EXPECT_FALSE(TIDEUtils::OpenProject(""));  // nothing to open
  platform::BorlandIDEServices = nullptr;
  EXPECT_EQ(TIDEUtils::GetActiveProject(), nullptr);
  EXPECT_TRUE(TIDEUtils::CloseProject());
}

TEST_F(IDEUtilsTest, ProjectFromDprAndDproj) {
  dir.Write("Project1.dpr",
            "program Project1;\r\n"
            "uses\r\n"
            "  Forms, { comment, not a unit }\r\n"
            "  Main in 'Main.pas' {MainForm},\r\n"
            "  DataMod in 'Sub\\datamod.PAS' {DM: TDataModule},\r\n"
            "  Helpers;\r\n"
            "begin\r\nend.\r\n");
  dir.Write("Main.pas", "unit Main;");
  dir.Write("sub/DataMod.pas", "unit DataMod;");
  dir.Write("Helpers.pas", "unit Helpers;");
  ASSERT_TRUE(TIDEUtils::OpenProject(dir.Path("Project1.dpr")));
  EXPECT_EQ(TIDEUtils::GetProjectName(), dir.Path("Project1.dpr"));
  ASSERT_EQ(TIDEUtils::GetUnitCount(), 4);
  EXPECT_EQ(TIDEUtils::GetUnitName(0), dir.Path("Project1.dpr"));
  EXPECT_EQ(TIDEUtils::GetUnitName(1), dir.Path("Main.pas"));
  EXPECT_EQ(TIDEUtils::GetUnitName(2), dir.Path("sub/DataMod.pas"));  // as spelt on disk
  EXPECT_EQ(TIDEUtils::GetUnitName(3), dir.Path("Helpers.pas"));
  EXPECT_TRUE(TIDEUtils::SaveProject());
  EXPECT_TRUE(TIDEUtils::CloseProject());
  EXPECT_EQ(TIDEUtils::GetProjectName(), "");

  dir.Write("App.dproj",
            "<Project>\r\n  <PropertyGroup><MainSource>Project1.dpr</MainSource></PropertyGroup>\r\n"
            "  <ItemGroup>\r\n    <DelphiCompile Include=\"$(MainSource)\"/>\r\n"
            "    <DCCReference Include=\"Main.pas\"/>\r\n"
            "    <DCCReference Include=\"sub\\DataMod.pas\"><Form>DM</Form></DCCReference>\r\n"
            "    <DCCReference Include=\"vcl.dcp\"/>\r\n  </ItemGroup>\r\n</Project>\r\n");
  ASSERT_TRUE(TIDEUtils::OpenProject(dir.Path("App.dproj")));
  ASSERT_EQ(TIDEUtils::GetUnitCount(), 3);
  EXPECT_EQ(TIDEUtils::GetUnitName(0), dir.Path("Project1.dpr"));
  EXPECT_EQ(TIDEUtils::GetUnitName(2), dir.Path("sub/DataMod.pas"));
  EXPECT_FALSE(TIDEUtils::OpenProject(dir.Path("missing.dpr")));
}

TEST_F(IDEUtilsTest, AddWizardCreatesTheProductMenuBeforeTheLast) {
  AddTop("FileMenu", "&File");
  AddTop("HelpMenu", "&Help");
  int clicks = 0;
  platform::TOrrinProductMenu product{"TarnbaseMenu", "&Tarnbase", "Tarn&base2"};
  TIDEUtils::AddWizard(product, "&Migration Wizard", "RExpertItemBDETarnbase", [&] { ++clicks; });
  EXPECT_EQ(TopCaptions(), (std::vector<std::string>{"&File", "&Tarnbase", "&Help"}));
  auto* productItem = ide.Menu().MainMenu().Items[1].get();
  ASSERT_EQ(productItem->Items.size(), 1u);
  EXPECT_EQ(productItem->Items[0]->Name, "RExpertItemBDETarnbase");
  productItem->Items[0]->OnClick();
  EXPECT_EQ(clicks, 1);

  // An existing product menu is reused, and gets its caption set again.
  productItem->Caption = "old";
  TIDEUtils::AddWizard(product, "Second", "Second", nullptr);
  EXPECT_EQ(TopCaptions().size(), 3u);
  EXPECT_EQ(productItem->Caption, "&Tarnbase");
  EXPECT_EQ(productItem->Items.size(), 2u);
}

TEST_F(IDEUtilsTest, AddWizardUsesTheSecondCaptionOnAClash) {
  AddTop("OtherVendor", "TARN&BASE");
  AddTop("HelpMenu", "&Help");
  TIDEUtils::AddWizard({"TarnbaseMenu", "&Tarnbase", "Tarnbase &2"}, "&Migration Wizard", "Item",
                       nullptr);
  EXPECT_EQ(TopCaptions(), (std::vector<std::string>{"TARN&BASE", "Tarnbase &2", "&Help"}));
  EXPECT_EQ(platform::RemoveAmpersands("&Tarn&&base"), "Tarn&base");
}
