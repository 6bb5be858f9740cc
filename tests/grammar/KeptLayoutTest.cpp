// The kept layout: a rebuilt object keeps every byte of its text except the
// class name and the properties whose meaning changed.
#include <gtest/gtest.h>

#include "FormCorpus.h"
#include "grammar/FormParser.h"
#include "grammar/ObjectLayout.h"
#include "grammar/TarnFormParser.h"
#include "streams/ComponentStream.h"

using namespace migwiz::grammar;

namespace {

// Translation rules by name, so that every kind of change can be asked for:
// Drop* goes, Old* becomes New* with the same value, Change gets a new
// value, Split becomes two properties (the second over two lines).
class RuleParser : public TFormParser {
 protected:
  void ProcessProperty(const std::string& name, const std::string& value) override {
    if (name.rfind("Drop", 0) == 0) return;
    if (name.rfind("Old", 0) == 0) {
      StoreProperty("New" + name.substr(3), value);
    } else if (name == "Change") {
      StoreProperty(name, "'changed'");
    } else if (name == "Split") {
      StoreProperty("SplitA", "1");
      StoreProperty("SplitB", "(\r\n'a'\r\n'b')");
    } else {
      StoreProperty(name, value);
    }
  }
};

// Parses the object whose keyword is the first of keyword in text and puts
// the kept text in its place, as the form conversion does.
std::string Convert(RuleParser& parser, const std::string& text, const std::string& keyword) {
  size_t at = text.find(keyword);
  int pos = static_cast<int>(at) + 1;
  parser.SetNewClassName("TNew");
  if (!parser.ParseString(text, "<object>", pos)) return "parse failed";
  return text.substr(0, at) + parser.MakeObject(1) + text.substr(pos - 1);
}

}  // namespace

TEST(KeptLayout, OnlyTheLinesWhoseMeaningChangedMove) {
  struct Case {
    const char* what;
    std::string text;
    std::string kept;
  } cases[] = {
      {"nothing but the class",
       "object F: TForm\r\n  object Q: TQuery\r\n    Tag = 1\r\n  end\r\n  object N: TX\r\n  end\r\nend\r\n",
       "object F: TForm\r\n  object Q: TNew\r\n    Tag = 1\r\n  end\r\n  object N: TX\r\n  end\r\nend\r\n"},
      {"inherited header, a dropped property",
       "object F: TForm\r\n  inherited Q: TQuery\r\n    DropMe = 1\r\n    Tag = 2\r\n  end\r\nend\r\n",
       "object F: TForm\r\n  inherited Q: TNew\r\n    Tag = 2\r\n  end\r\nend\r\n"},
      {"lists with + joins and #codes stay, a changed value is rewritten",
       "object F: TForm\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      'select a, ' +\r\n"
       "        'b from t'\r\n      'where x = '#39'y'#39)\r\n    Change = 'old' +\r\n      'value'\r\n"
       "    Caption =\r\n      'a' +\r\n      'b'\r\n  end\r\nend\r\n",
       "object F: TForm\r\n  object Q: TNew\r\n    SQL.Strings = (\r\n      'select a, ' +\r\n"
       "        'b from t'\r\n      'where x = '#39'y'#39)\r\n    Change = 'changed'\r\n"
       "    Caption =\r\n      'a' +\r\n      'b'\r\n  end\r\nend\r\n"},
      {"collections and binary data, renamed and dropped",
       "object F: TForm\r\n  object Q: TQuery\r\n    OldSource = <\r\n      item\r\n        Name = 'ID'\r\n"
       "      end>\r\n    DropData = {\r\n      0A0B0C\r\n      0D}\r\n    Data = {0102}\r\n  end\r\nend\r\n",
       "object F: TForm\r\n  object Q: TNew\r\n    NewSource = <\r\n      item\r\n        Name = 'ID'\r\n"
       "      end>\r\n    Data = {0102}\r\n  end\r\nend\r\n"},
      {"children keep their place and columns, properties around them too",
       "object F: TForm\r\n  object P: TPanel\r\n    object Q: TQuery\r\n      DropA = 1\r\n"
       "      object QID: TIntegerField\r\n        DropA = 2\r\n      end\r\n      Tag = 3\r\n    end\r\n"
       "    object L: TLabel\r\n    end\r\n  end\r\nend\r\n",
       "object F: TForm\r\n  object P: TPanel\r\n    object Q: TNew\r\n"
       "      object QID: TIntegerField\r\n        DropA = 2\r\n      end\r\n      Tag = 3\r\n    end\r\n"
       "    object L: TLabel\r\n    end\r\n  end\r\nend\r\n"},
      {"one property becomes two at its column",
       "object F: TForm\r\n  object Q: TQuery\r\n    Split = 5\r\n    Tag = 1\r\n  end\r\nend\r\n",
       "object F: TForm\r\n  object Q: TNew\r\n    SplitA = 1\r\n    SplitB = (\r\n      'a'\r\n      'b')\r\n"
       "    Tag = 1\r\n  end\r\nend\r\n"},
      {"tabs and line feeds",
       "object F: TForm\n\tobject Q: TQuery\n\t\tDropMe = 1\n\t\tChange = 2\n\tend\nend\n",
       "object F: TForm\n\tobject Q: TNew\n\t\tChange = 'changed'\n\tend\nend\n"},
      {"properties on the header's line",
       "object F: TForm\r\n  object Q: TQuery DropMe = 1 Change = 2 Tag = 3 end\r\nend\r\n",
       "object F: TForm\r\n  object Q: TNew Change = 'changed' Tag = 3 end\r\nend\r\n"},
      {"the object ends the text",
       "  object Q: TQuery\r\n    DropMe = 1\r\n  end",
       "  object Q: TNew\r\n  end"},
      {"a header with a child position",
       "object F: TForm\r\n  object Q: TQuery [2]\r\n    OldTag = 1\r\n  end\r\nend\r\n",
       "object F: TForm\r\n  object Q: TNew [2]\r\n    NewTag = 1\r\n  end\r\nend\r\n"},
  };
  for (const Case& c : cases) {
    RuleParser parser;
    parser.SetLayout(TObjectLayout::Kept);
    const char* keyword = c.text.find("inherited Q") != std::string::npos ? "inherited Q" : "object Q";
    EXPECT_EQ(Convert(parser, c.text, keyword), c.kept) << c.what;
  }
}

// Properties that no property of the text stands for are added after the
// last property, at the properties' column.
TEST(KeptLayout, PropertiesWithoutAPlaceGoAfterTheLast) {
  const std::string text = "  object Q: TQuery\r\n    Tag = 1\r\n    object C: TX\r\n    end\r\n  end\r\n";
  const size_t tag = text.find("Tag"), one = text.find('1');
  std::vector<TPropertySource> sources = {{tag, one, one + 1, "Tag", 0, 1}};
  std::vector<TLayoutProperty> props = {{"Tag", {"1"}}, {"Connection", {"DM.Db"}}};
  EXPECT_EQ(WriteKeptObject(text, 2, text.size(), "TNew", sources, props, "\r\n"),
            "object Q: TNew\r\n    Tag = 1\r\n    Connection = DM.Db\r\n    object C: TX\r\n    end\r\n  end\r\n");
  EXPECT_EQ(WriteKeptObject(text, 2, text.size(), "", {}, {{"Connection", {"DM.Db"}}}, "\r\n"),
            "object Q: TQuery\r\n    Connection = DM.Db\r\n    Tag = 1\r\n    object C: TX\r\n    end\r\n  end\r\n");
}

TEST(KeptLayout, LayoutNames) {
  TObjectLayout layout = TObjectLayout::Design;
  EXPECT_TRUE(LayoutFromName("KEPT", layout));
  EXPECT_EQ(layout, TObjectLayout::Kept);
  EXPECT_TRUE(LayoutFromName("design", layout));
  EXPECT_EQ(layout, TObjectLayout::Design);
  EXPECT_FALSE(LayoutFromName("tidy", layout));
  EXPECT_EQ(layout, TObjectLayout::Design);
  EXPECT_STREQ(LayoutName(TObjectLayout::Kept), "kept");
}

// Differential: thousands of generated objects (every value form, odd
// spacing and letter case, nested children, collections) that load as they
// stand, rebuilt in both layouts, load as the same component stream.
TEST(KeptLayout, GeneratedObjectsLoadAsInTheRebuiltLayout) {
  migwiz::testing::FormCorpus corpus(22);
  TTarnFormParser parser(ParseStateClassOf<TFormParseState>());
  parser.SetOnGetPropertyValue([](const std::string&, const std::string& value) {
    return value == "Sales" ? std::string("DM.Database1") : std::string();
  });
  int compared = 0, mismatches = 0;
  for (int i = 0; i < 2000; ++i) {
    migwiz::testing::FormCorpus::Case c = corpus.Next();
    parser.SetNewClassName(c.newClass);
    const int start = static_cast<int>(c.text.find_first_not_of(' ')) + 1;
    int pos = start;
    if (!parser.ParseString(c.text, "<object>", pos)) continue;
    try {
      // Only objects that load as they stand: a property after a child, say,
      // is no text the stream writer takes, and the kept layout keeps it.
      migwiz::platform::ObjectTextToBinaryUtf8(c.text.substr(start - 1, pos - start));
    } catch (const std::exception&) {
      continue;
    }
    parser.SetLayout(TObjectLayout::Design);
    const std::string design = parser.MakeObject(c.level);
    parser.SetLayout(TObjectLayout::Kept);
    const std::string kept = parser.MakeObject(c.level);
    std::string designStream, keptStream;
    try {
      designStream = migwiz::platform::ObjectTextToBinaryUtf8(design);
    } catch (const std::exception&) {
      continue;  // not a text the stream writer takes, in either layout
    }
    try {
      keptStream = migwiz::platform::ObjectTextToBinaryUtf8(kept);
    } catch (const std::exception& e) {
      keptStream = std::string("error: ") + e.what();
    }
    ++compared;
    if (keptStream != designStream && ++mismatches <= 3)
      ADD_FAILURE() << "case " << i << "\n--- input:\n" << c.text << "\n--- kept:\n" << kept << "\n--- design:\n"
                    << design << "\n" << keptStream.substr(0, 200);
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(compared, 300) << compared;
}
