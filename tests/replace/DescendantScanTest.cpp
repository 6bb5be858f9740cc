// Class declarations with an ancestor, as units write them, and which of
// them derive from a profile's paired classes.
#include <gtest/gtest.h>

#include "profile/ProfileLoader.h"
#include "replace/DescendantScan.h"

using namespace migwiz;

namespace {

// "Class<Ancestor>@Line[Published,...]" for each declaration.
std::string Scan(const std::string& text) {
  std::string out;
  for (const profile::TDescendant& d : replace::ScanClassDeclarations(text, "U.pas")) {
    out += (out.empty() ? "" : " ") + d.Class + "<" + d.Ancestor + ">@" + std::to_string(d.Line) + "[";
    for (size_t i = 0; i < d.Published.size(); ++i) out += (i ? "," : "") + d.Published[i];
    out += "]";
  }
  return out;
}

}  // namespace

TEST(DescendantScan, DeclarationsAsUnitsWriteThem) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"type TMyQuery = class(TQuery) end;", "TMyQuery<TQuery>@1[]"},
      {"type\r\n  TMyQuery = CLASS ( DBTables.TQuery , IMine )\r\n  published\r\n    property A: Integer;\r\n"
       "  public\r\n    property B: Integer;\r\n  published\r\n    property C: string read F;\r\n  end;",
       "TMyQuery<TQuery>@2[A,C]"},
      // A record inside the class does not end it; a forward class has no body.
      {"type TA = class(TTable)\r\n  published\r\n    R: record X: Integer; end;\r\n    property P: Integer;\r\n"
       "  end;\r\n  TB = class(TA);\r\n  TC = class\r\n  end;",
       "TA<TTable>@1[P] TB<TA>@6[]"},
      // Comments and strings are no declarations.
      {"{ TX = class(TQuery) } // TY = class(TQuery)\r\nconst S = 'TZ = class(TQuery)';", ""},
      {"type TMeta = class of TQuery;", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Scan(c.text), c.expected) << c.text;
}

TEST(DescendantScan, OnlyClassesThatLeadToAPairedOneAreDescendants) {
  std::vector<profile::TDescendant> declared = replace::ScanClassDeclarations(
      "type\r\n  TSub = class(tmyquery) end;\r\n  TMyQuery = class(TQuery) end;\r\n"
      "  TForm1 = class(TForm) end;\r\n  TLoopA = class(TLoopB) end;\r\n  TLoopB = class(TLoopA) end;\r\n"
      "  TQuery = class(TDataSet) end;\r\n",
      "U.pas");
  std::vector<profile::TDescendant> found;
  profile::TProfilePtr p = replace::WithDescendants(profile::BuiltinProfile(), declared, found);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].Class, "TSub");  // in the order of the text, though it derives from a later one
  EXPECT_EQ(found[1].Class, "TMyQuery");
  EXPECT_EQ(p->ConvertedAs("TSUB")->NewClass, "TTarnQuery");
  EXPECT_EQ(p->ConvertedAs("TForm1"), nullptr);
  EXPECT_EQ(p->ConvertedAs("TLoopA"), nullptr);
  EXPECT_EQ(p->FindPair("TQuery")->NewClass, "TTarnQuery");  // a paired class stays paired
  // Nothing found: the profile itself.
  EXPECT_EQ(replace::WithDescendants(profile::BuiltinProfile(), {}, found), profile::BuiltinProfile());
}
