#include "replace/PasParser.h"

#include <gtest/gtest.h>

using namespace migwiz::replace;
using namespace migwiz::platform;

namespace {

std::vector<std::pair<int, std::string>> Lex(const std::string& text, bool keepQuotes = true) {
  TPasParser p(text);
  p.SetKeepQuotes(keepQuotes);
  std::vector<std::pair<int, std::string>> out;
  std::string lexeme;
  for (int code; (code = p.GetNext(lexeme)) != lcEnd;) out.emplace_back(code, lexeme);
  return out;
}

}  // namespace

TEST(PasParser, LexemesGiveTheTextBack) {
  const char* texts[] = {
      "unit Unit1;\r\n\r\ninterface\r\n\r\nuses Windows, DBTables;\r\n",
      "  x := 'it''s'; // don't stop here\r\n  y := TQuery.Create(nil);\r\n",
      "(* a { b } *) {$R *.dfm} { unterminated",
      "s := 'no end\r\nnext line';",
      "Stra\xC3\x9F" "e := $FF + 1.5e3 + #13#10; \xE2\x82\xAC ~ | \x01",
      "",
  };
  for (const char* text : texts) {
    std::string joined;
    for (const auto& [code, lexeme] : Lex(text)) joined += lexeme;
    EXPECT_EQ(joined, text);
  }
}

TEST(PasParser, CodesOfEachKindOfLexeme) {
  auto lex = Lex("uses DBTables; OBJECT end Inherited inline Item 'a' {c} // d\n_x $1F ;");
  std::vector<std::pair<int, std::string>> expected = {
      {33, "uses"},   {-101, " "}, {-103, "DBTables"}, {16, ";"},      {-101, " "},
      {32, "OBJECT"}, {-101, " "}, {28, "end"},      {-101, " "},    {29, "Inherited"},
      {-101, " "},    {30, "inline"}, {-101, " "},   {31, "Item"},   {-101, " "},
      {-106, "'a'"},  {-101, " "}, {-108, "{c}"},    {-101, " "},    {-108, "// d"},
      {-101, "\n"},   {-103, "_x"}, {-101, " "},     {-102, "$1F"},  {-101, " "},
      {16, ";"},
  };
  EXPECT_EQ(lex, expected);
  // A line comment with an apostrophe does not open a string.
  auto code = Lex("// don't\nTQuery");
  EXPECT_EQ(code.back(), (std::pair<int, std::string>{-103, "TQuery"}));
  EXPECT_EQ(Lex("'Sales'", false), (std::vector<std::pair<int, std::string>>{{-106, "Sales"}}));
  EXPECT_EQ(PasSymbols().at(";"), 16);
  EXPECT_EQ(PasSymbols().at("`"), 27);
  EXPECT_EQ(PasSymbols().count("$"), 0u);
}

TEST(PasParser, PrevPosAndSetText) {
  TPasParser p("object A: TQuery");
  std::string lexeme;
  p.GetNext(lexeme);
  EXPECT_EQ(p.PrevPos(), 0);
  p.GetNext(lexeme);
  p.GetNext(lexeme);
  EXPECT_EQ(lexeme, "A");
  EXPECT_EQ(p.PrevPos() + 1, 8);
  p.SetText("end");
  EXPECT_EQ(p.GetNext(lexeme), lcEndKeyword);
}

TEST(PasParser, ViewsIntoABorrowedTextGiveTheSameLexemes) {
  const char* texts[] = {
      "unit Unit1;\r\nuses Windows, DBTables;\r\nOBJECT End iTeM inheritedX",
      "  x := 'it''s'; // comment\r\n(* a *) {b} y := TQuery.Create(nil);",
      "Stra\xC3\x9F" "e := $FF + 1.5e3 + #13#10; \xE2\x82\xAC ~ | \x01 \xFF\xFE 'open",
      "@^`[]{}",
      "",
  };
  for (const char* text : texts) {
    for (bool keepQuotes : {true, false}) {
      const std::string owned = text;
      TPasParser copy(owned);
      TPasParser borrowed(TBorrowedText{owned});
      copy.SetKeepQuotes(keepQuotes);
      borrowed.SetKeepQuotes(keepQuotes);
      std::string lexeme;
      std::string_view view;
      for (int code; (code = copy.GetNext(lexeme)) != lcEnd;) {
        EXPECT_EQ(borrowed.GetNext(view), code) << text;
        EXPECT_EQ(view, lexeme) << text;
        EXPECT_EQ(borrowed.PrevPos(), copy.PrevPos()) << text;
        if (code != lcString) {
          EXPECT_EQ(view.data(), owned.data() + borrowed.PrevPos()) << text;
        }
      }
      EXPECT_EQ(borrowed.GetNext(view), lcEnd) << text;
    }
  }
}

// A word is a keyword exactly when the keyword table finds it: in any case,
// and not when a letter, the length or a byte beyond ASCII differs.
TEST(PasParser, KeywordsAsTheTableFindsThem) {
  std::vector<std::string> words = {"Ends", "En", "Uset", "Ite", "ITEMS", "_end", "end1", "Objec",
                                    "Inheritet", "Inlin\xC3\xA9", "\xC3\xA9nd", "Fnd", "Usez"};
  for (const auto& [keyword, code] : PasKeywords()) {
    std::string lower, mixed;
    for (size_t i = 0; i < keyword.size(); ++i) {
      const char c = keyword[i];
      lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      mixed += i % 2 ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : c;
    }
    words.insert(words.end(), {keyword, lower, mixed});
  }
  for (const std::string& word : words) {
    const auto found = PasKeywords().find(word);
    const int expected = found == PasKeywords().end() ? lcIdent : found->second;
    const auto lexemes = Lex(word);
    ASSERT_EQ(lexemes.size(), 1u) << word;
    EXPECT_EQ(lexemes[0].first, expected) << word;
  }
}
