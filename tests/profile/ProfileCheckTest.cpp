// The profile reader and checker: the built-in profile reads back as the
// data the conversion was built with, and every kind of bad profile is
// refused with the line and column of its fault.
#include <gtest/gtest.h>

#include <string>

#include "profile/ProfileLoader.h"
#include "testing/TempDir.h"

using namespace migwiz::profile;

namespace {

const std::string kHead = "format = 1\nextends = \"built-in\"\n";

// "LINE:COLUMN: message" of the first issue, or "ok".
std::string FirstIssue(const std::string& text) {
  TProfileCheck check = CheckProfileText(text, "p.toml");
  if (check.Ok()) return "ok";
  const TProfileIssue& i = check.Issues.front();
  return std::to_string(i.Line) + ":" + std::to_string(i.Column) + ": " + i.Message;
}

}  // namespace

TEST(ProfileCheck, BuiltinProfileHoldsTheConversionData) {
  TProfilePtr p = BuiltinProfile();
  EXPECT_EQ(p->SourceName, "BDE");
  EXPECT_EQ(p->OldUsesUnit, "DBTables");
  EXPECT_EQ(p->NewUsesList, ", TarnAccess, TarnClasses, TarnCall, Quarry, Cellar");
  const char* pairs[][2] = {{"TDatabase", "TTarnConnection"}, {"TQuery", "TTarnQuery"},
                            {"TwwQuery", "TTarnQuery"},       {"TTable", "TTarnTable"},
                            {"TwwTable", "TTarnTable"},       {"TwwDataSource", "TTarnDataSource"},
                            {"TUpdateSQL", "TTarnUpdateSQL"}, {"TStoredProc", "TTarnStoredProc"},
                            {"EDBEngineError", "ETarnError"}, {"TBatchMove", "TKryBatchMove"}};
  ASSERT_EQ(p->Pairs.size(), std::size(pairs));
  for (size_t i = 0; i < std::size(pairs); ++i) {
    EXPECT_EQ(p->Pairs[i].OldClass, pairs[i][0]);
    EXPECT_EQ(p->Pairs[i].NewClass, pairs[i][1]);
  }
  // Every class a pair met in forms converts to is registered.
  for (const TClassPair& pair : p->Pairs) {
    if (!pair.CodeOnly) {
      EXPECT_NE(p->FindClass(pair.NewClass), nullptr) << pair.NewClass;
    }
  }
  EXPECT_TRUE(p->FindClass("TTarnQuery")->Publishes("masterSOURCE"));
  ASSERT_NE(p->FindUncovered("tsession"), nullptr);
  EXPECT_FALSE(p->FindUncovered("TSession")->Advice.empty());
}

TEST(ProfileCheck, ExtendingProfileAddsToTheBuiltinOne) {
  TProfileCheck check = CheckProfileText(kHead +
                                             "[[pair]]\nold = \"TxDataSet\"\nnew = \"TTarnQuery\"\nkind = \"query\"\n"
                                             "[[translate.rule]]\nproperty = \"DataSource\"\nclasses = [\"TTable\"]\n"
                                             "action = \"rename\"\nto = \"MasterSource\"\n"
                                             "[class.TTarnQuery]\npublished = [\"Macros\"]\n"
                                             "[[descendant]]\nclass = \"TB\"\nancestor = \"TA\"\n"
                                             "[[descendant]]\nclass = \"TA\"\nancestor = \"TQuery\"\n",
                                         "p.toml");
  ASSERT_TRUE(check.Ok()) << check.Issues.front().Text();
  const TMigrationProfile& p = *check.Profile;
  EXPECT_EQ(p.Pairs.size(), BuiltinProfile()->Pairs.size() + 1);
  EXPECT_EQ(p.Rules.front().Property, "DataSource");  // the extension's rules come first
  EXPECT_TRUE(p.FindClass("TTarnQuery")->Publishes("Macros"));
  EXPECT_TRUE(p.FindClass("TTarnQuery")->Publishes("SQL"));
  EXPECT_EQ(p.ConvertedAs("tb")->OldClass, "TQuery");  // through a descendant named after it
  EXPECT_EQ(p.ConvertedAs("TxDataSet")->Kind, "query");
}

TEST(ProfileCheck, EachFaultIsNamedWithItsLineAndColumn) {
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      // syntax
      {kHead + "[[pair]\n", "3:8: "},
      {kHead + "source = \"BDE\"\nsource = \"X\"\n", "4:10: "},
      // unknown keys, wrong types
      {kHead + "colour = 1\n", "3:1: unknown key \"colour\" in the profile"},
      {kHead + "[[pair]]\nold = \"TA\"\nnew = \"TTarnQuery\"\nneu = 1\n",
       "6:1: unknown key \"neu\" in [[pair]]"},
      {kHead + "[[pair]]\nold = 7\nnew = \"TTarnQuery\"\n", "4:7: old must be a string, not an integer"},
      {kHead + "pair = \"TQuery\"\n", "3:8: pair must be an array of tables ([[pair]]), not a string"},
      {kHead + "[class.TTarnQuery]\npublished = \"SQL\"\n", "4:13: published must be an array of names, not a string"},
      {kHead + "[[pair]]\nold = \"T A\"\nnew = \"TTarnQuery\"\n", "4:7: old \"T A\" is not a class name"},
      {"format = 2\nextends = \"built-in\"\n", "1:10: format 2 is not known (this program reads format 1)"},
      {"extends = \"built-in\"\n", "1:1: format is missing (format = 1)"},
      {"format = 1\nsource = \"X\"\n", "1:1: [units] is missing"},
      // absurd sizes
      {kHead + "[[uncovered]]\nclass = \"TX\"\nadvice = \"" + std::string(5000, 'a') + "\"\n",
       "5:10: advice is too long (5000 characters, at most 4096)"},
      {kHead + "[[pair]]\nold = \"" + std::string(300, 'T') + "\"\nnew = \"TTarnQuery\"\n",
       "4:7: old is too long (300 characters, at most 255)"},
      // pairs
      {kHead + "[[pair]]\nold = \"TMine\"\nnew = \"tmine\"\n[class.tmine]\nchecked = false\n",
       "3:1: TMine is paired to itself"},
      {kHead + "[[pair]]\nold = \"tquery\"\nnew = \"TTarnTable\"\n", "3:1: tquery is paired twice (first in the built-in profile)"},
      {"format = 1\nsource = \"X\"\n[units]\nafter = \"A\"\nadd = \", B\"\n[class.TB]\nchecked = false\n"
       "[[pair]]\nold = \"TA\"\nnew = \"TB\"\n[[pair]]\nold = \"ta\"\nnew = \"TB\"\n",
       "11:1: ta is paired twice (first at line 8)"},
      {kHead + "[[pair]]\nold = \"TX\"\nnew = \"TNowhere\"\n",
       "3:1: the new class TNowhere of TX is not registered (add [class.TNowhere] or code-only = true)"},
      {kHead + "[[pair]]\nold = \"EX\"\nnew = \"ENowhere\"\ncode-only = true\n", "ok"},
      // rules
      {kHead + "[[translate.rule]]\nproperty = \"DataSource\"\nclasses = [\"TTable\"]\naction = \"rename\"\nto = \"Master\"\n",
       "3:1: DataSource becomes Master, which TTarnTable does not publish"},
      {kHead + "[[translate.rule]]\nproperty = \"X\"\nclasses = [\"TNone\"]\naction = \"drop\"\n",
       "3:1: the rule is for TNone, which the profile does not pair"},
      {kHead + "[[translate.rule]]\nproperty = \"X\"\nkinds = [\"spaceship\"]\naction = \"drop\"\n",
       "3:1: no pair is of the kind spaceship"},
      {kHead + "[[translate.rule]]\nproperty = \"X\"\naction = \"rename\"\n", "3:1: action rename needs to = \"...\""},
      {kHead + "[[translate.rule]]\nproperty = \"X\"\naction = \"explode\"\n",
       "5:10: action \"explode\" is not one of drop, keep, rename, connection, params, values"},
      {kHead + "[[translate.rule]]\nproperty = \"TableName\"\naction = \"connection\"\nto = \"Connection\"\n",
       "3:1: action connection is for the property DatabaseName only"},
      {kHead + "[[translate.rule]]\nproperty = \"Params.Strings\"\nkinds = [\"connection\"]\naction = \"params\"\n"
               "params = [{ name = \"PORT\", to = \"Portal\" }]\n",
       "3:1: Params.Strings becomes Portal, which TTarnConnection does not publish"},
      // descendants
      {kHead + "[[descendant]]\nclass = \"TA\"\nancestor = \"TB\"\n[[descendant]]\nclass = \"TB\"\nancestor = \"ta\"\n",
       "3:1: the descendants of TA form a cycle: TA -> TB -> TA"},
      {kHead + "[[descendant]]\nclass = \"TA\"\nancestor = \"ta\"\n", "3:1: TA derives from itself"},
      {kHead + "[[descendant]]\nclass = \"TA\"\nancestor = \"TButton\"\n",
       "3:1: TA derives from TButton, which the profile neither pairs nor names as a descendant"},
      {kHead + "[[descendant]]\nclass = \"TQuery\"\nancestor = \"TTable\"\n",
       "3:1: TQuery is paired, so it cannot be a descendant"},
  };
  for (const Case& c : cases) {
    std::string got = FirstIssue(c.text);
    if (c.expected.back() == ' ') EXPECT_EQ(got.substr(0, c.expected.size()), c.expected) << c.text;
    else EXPECT_EQ(got, c.expected) << c.text;
  }
}

TEST(ProfileCheck, FilesThatCannotBeProfiles) {
  migwiz::testing::TempDir dir;
  TProfileCheck missing = CheckProfileFile(dir.Path("none.toml"));
  ASSERT_FALSE(missing.Ok());
  EXPECT_EQ(missing.Issues.front().Line, 1);
  dir.Write("big.toml", std::string(kMaxProfileBytes + 1, '#'));
  TProfileCheck big = CheckProfileFile(dir.Path("big.toml"));
  ASSERT_FALSE(big.Ok());
  EXPECT_NE(big.Issues.front().Message.find("too large"), std::string::npos);
  dir.Write("bad.toml", kHead + "[[pair]]\nold = 1\n");
  try {
    LoadProfileFile(dir.Path("bad.toml"));
    ADD_FAILURE();
  } catch (const EProfileError& e) {
    // Every issue, each as FILE:LINE:COLUMN: message.
    EXPECT_EQ(std::string(e.what()), dir.Path("bad.toml") + ":4:7: old must be a string, not an integer\n" +
                                         dir.Path("bad.toml") + ":3:1: new is missing");
  }
}
