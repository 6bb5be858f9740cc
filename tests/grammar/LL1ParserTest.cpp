#include "grammar/LL1Parser.h"

#include <gtest/gtest.h>

#include <vector>

using namespace migwiz::grammar;

namespace {

class Parser : public TLL1Parser {
 public:
  Parser() : TLL1Parser(ParseStateClassOf<TParseState>()) {}
  std::vector<std::string> seen;  // every nonterminal entered

 protected:
  bool ParseNonterminal(std::string_view name) override {
    seen.emplace_back(name);
    return TLL1Parser::ParseNonterminal(name);
  }
};

// The same, passing over alternatives by their first character.
class FirstCharParser : public Parser {
 protected:
  void RulesPrepared() override { UseFirstCharacters({}); }
};

bool Parse(Parser& p, const std::string& input, const char* rule, int& pos) {
  return p.ParseString(input, rule, pos);
}

}  // namespace

TEST(LL1Parser, EmptyAlternativesAreKeptThenInlined) {
  Parser p;
  p.AddRule("<sign>-+|-|");
  p.AddRule("<int>-<sign><*digits>");
  p.AddRule("<name>-<*char><char_or_digit_l>");
  p.AddRule("<char_or_digit_l>-<*chars_or_digits>|");
  EXPECT_EQ(p.Alternatives("<sign>"), (std::vector<std::string>{"+", "-", ""}));

  int pos = 1;
  ASSERT_TRUE(Parse(p, "42", "<int>", pos));
  EXPECT_EQ(p.Alternatives("<sign>"), (std::vector<std::string>{"-", "+"}));
  EXPECT_EQ(p.Alternatives("<int>"),
            (std::vector<std::string>{"-<*digits>", "+<*digits>", "<*digits>"}));
  EXPECT_EQ(p.Alternatives("<name>"),
            (std::vector<std::string>{"<*char><*chars_or_digits>", "<*char>"}));

  for (const char* text : {"+7", "-7", "7"}) {
    pos = 1;
    EXPECT_TRUE(Parse(p, text, "<int>", pos)) << text;
    EXPECT_EQ(pos, static_cast<int>(std::string(text).size()) + 1);
  }
}

TEST(LL1Parser, RuleSyntaxEscapesAndLiteralAngleBrackets) {
  Parser p;
  p.AddRule("<collection>-\\60<empty_delim><col_items><empty_delim>\\62");
  EXPECT_EQ(p.Alternatives("<collection>"),
            (std::vector<std::string>{"<<empty_delim><col_items><empty_delim>>"}));
  p.AddRule("<empty_delim>- |");
  p.AddRule("<col_items>-item");
  p.AddRule("<pipe>-a\\|b|\\65x");  // escaped bar; \65 is 'A', lower-case first
  p.AddRule("<pipe>-c");            // same name: appended
  EXPECT_EQ(p.Alternatives("<pipe>"), (std::vector<std::string>{"a|b", "Ax", "c"}));

  int pos = 1;
  EXPECT_TRUE(Parse(p, "< ITEM >", "<collection>", pos));
  EXPECT_EQ(pos, 9);
  pos = 1;
  EXPECT_TRUE(Parse(p, "<item>", "<collection>", pos));
  pos = 1;
  EXPECT_TRUE(Parse(p, "A|B", "<pipe>", pos));
  EXPECT_EQ(pos, 4);
}

TEST(LL1Parser, InvalidRulesAndUnknownNonterminals) {
  for (const char* bad : {"<abc", "<a>", "<a>-x\\", "<a>-\\"}) {
    Parser p;
    try {
      p.AddRule(bad);
      ADD_FAILURE() << bad;
    } catch (const EGrammarError& e) {
      EXPECT_STREQ(e.what(), "Cannot add rule. Invalid rule format.") << bad;
    }
  }
  Parser short_;
  short_.AddRule("x");  // fewer than two characters: ignored

  Parser p;
  p.AddRule("<a>-x<MissingRule>");
  int pos = 1;
  try {
    Parse(p, "x", "<a>", pos);
    ADD_FAILURE();
  } catch (const EGrammarError& e) {
    EXPECT_STREQ(e.what(), "Unknown nonterminal: <missingrule>");
  }
  EXPECT_THROW(Parse(p, "x", "<nothing>", pos), EGrammarError);
  pos = 1;
  EXPECT_TRUE(Parse(p, "y", "<A>", pos) == false);  // starts afresh after the error
}

TEST(LL1Parser, LiteralsIgnoreCaseClassesDoNot) {
  Parser p;
  p.AddRule("<kw>-object");
  p.AddRule("<id>-<*char>");
  p.AddRule("<syms>-'<*symbols>'");
  p.AddRule("<num>-<*digits>x");
  for (const char* text : {"object", "OBJECT", "Object"}) {
    int pos = 1;
    EXPECT_TRUE(Parse(p, text, "<kw>", pos)) << text;
  }
  int pos = 1;
  EXPECT_TRUE(Parse(p, "_", "<id>", pos));
  pos = 1;
  EXPECT_FALSE(Parse(p, "7", "<id>", pos));
  pos = 1;
  EXPECT_TRUE(Parse(p, "'a b''", "<syms>", pos));  // the run stops at the apostrophe
  EXPECT_EQ(pos, 6);
  pos = 1;
  EXPECT_FALSE(Parse(p, "'abc", "<syms>", pos));  // and at the end of the input
  pos = 1;
  EXPECT_FALSE(Parse(p, "x", "<num>", pos));  // a run needs one character
}

TEST(LL1Parser, PrefixParsesAndErrorPositions) {
  Parser p;
  p.AddRule("<word>-<*char><*chars_or_digits>|<*char>");
  int pos = 3;
  EXPECT_TRUE(Parse(p, "  ab1 rest", "<word>", pos));
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(p.ErrorPos(), -1);
  EXPECT_EQ(p.ErrorStr(), "");

  pos = 6;
  EXPECT_FALSE(Parse(p, "  ab1 rest", "<word>", pos));
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(p.ErrorPos(), 6);
  EXPECT_EQ(p.ErrorStr(), "");
}

TEST(LL1Parser, OrderDecidesAndStateIsRestoredPerAlternative) {
  Parser p;
  // Both could match "ab"; the longer text is tried first.
  p.AddRule("<s>-<x>|<x>b");
  p.AddRule("<x>-a");
  int pos = 1;
  ASSERT_TRUE(Parse(p, "ab", "<s>", pos));
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(p.Alternatives("<s>"), (std::vector<std::string>{"<x>b", "<x>"}));

  // No backtracking into a nonterminal that succeeded: <greedy> takes "aa",
  // then "a" fails, and the rule fails as a whole.
  Parser q;
  q.AddRule("<s>-<greedy>a");
  q.AddRule("<greedy>-aa|a");
  pos = 1;
  EXPECT_FALSE(Parse(q, "aa", "<s>", pos));
  // The subclass saw every nonterminal, at every depth.
  EXPECT_EQ(q.seen, (std::vector<std::string>{"<s>", "<greedy>"}));
}

TEST(LL1Parser, DeepRecursionFailsCleanlyOrSucceeds) {
  Parser p;
  p.AddRule("<nest>-(<nest>)|x");
  auto nested = [](int n) { return std::string(n, '(') + "x" + std::string(n, ')'); };
  int pos = 1;
  std::string tooDeep = nested(400000);
  EXPECT_FALSE(Parse(p, tooDeep, "<nest>", pos));
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(p.ErrorStr(), "nesting too deep");

  std::string deep = nested(100000);
  EXPECT_TRUE(Parse(p, deep, "<nest>", pos));
  EXPECT_EQ(pos, static_cast<int>(deep.size()) + 1);
}

// Passing over alternatives that cannot begin with the next character
// changes no result: literals compared without regard to case, empty
// alternatives, rules that may match nothing, the end of the text.
TEST(LL1Parser, FirstCharactersChangeNoResult) {
  const char* rules[] = {"<s>-<opt>end|<opt><word>|<list>",       "<opt>-<*digits>|",
                         "<word>-Obj<*chars_or_digits>|x<*char>", "<list>-(<items>)",
                         "<items>-<item>|<item>,<items>|",         "<item>-<opt>y|'<*symbols>'"};
  struct Case {
    const char* input;
    int pos;
  } cases[] = {{"END", 1}, {"12end", 1}, {"obj7", 1}, {"OBJ", 1}, {"xz", 1},   {"x", 1},
               {"(1y,y,'a')", 1}, {"()", 1}, {"(", 1},   {"", 1},   {"7", 1}, {"a end", 3}};
  for (const Case& c : cases) {
    Parser plain;
    FirstCharParser first;
    for (const char* r : rules) plain.AddRule(r), first.AddRule(r);
    int plainPos = c.pos, firstPos = c.pos;
    bool plainOk = Parse(plain, c.input, "<s>", plainPos);
    EXPECT_EQ(Parse(first, c.input, "<s>", firstPos), plainOk) << c.input;
    EXPECT_EQ(firstPos, plainPos) << c.input;
    EXPECT_EQ(first.ErrorStr(), plain.ErrorStr()) << c.input;
  }
}

namespace {

// Shares the beginnings of alternatives; <b> hands something out of the
// parser each time it matches, which the test logs with its position.
class SharingParser : public Parser {
 public:
  explicit SharingParser(bool share) : share_(share) {}
  std::vector<std::string> callsOut;
  int entriesOfA = 0;

 protected:
  void RulesPrepared() override {
    UseFirstCharacters({});
    if (share_) UseSharedBeginnings();
  }
  bool ParseNonterminal(std::string_view name) override {
    if (name == "<a>") ++entriesOfA;
    const int at = State().CurPos();
    bool ok = Parser::ParseNonterminal(name);
    if (ok && name == "<b>") {
      NoteCallOut();
      callsOut.push_back(std::to_string(at) + "-" + std::to_string(State().CurPos()));
    }
    return ok;
  }

 private:
  bool share_;
};

}  // namespace

TEST(LL1Parser, SharedBeginningsChangeNoResultNorCallOut) {
  const char* rules[] = {"<s>-<a>x|<a>y|<a><b>z|<a><b>|<a>;<a>;<a>!|<a>;<a>;<a>?|q",
                         "<a>-<*digits>|<*digits>.<*digits>|<*char>",
                         "<b>-,<a>|,<a><b>"};
  const char* inputs[] = {"1x",   "1y",  "1,2z",    "1,2,3",  "1,2,3z", "1.5;2;3?", "a;b;c!",
                          "1;2;", "1;2", "1,",      "q",      "",       "x",        "1.x",
                          "1.5y", "1.",  "1;2;3!?", "1,2,3;", "1,a,2z"};
  for (const char* input : inputs) {
    SharingParser plain(false), shared(true);
    for (const char* r : rules) plain.AddRule(r), shared.AddRule(r);
    int plainPos = 1, sharedPos = 1;
    bool plainOk = Parse(plain, input, "<s>", plainPos);
    EXPECT_EQ(Parse(shared, input, "<s>", sharedPos), plainOk) << input;
    EXPECT_EQ(sharedPos, plainPos) << input;
    EXPECT_EQ(shared.ErrorPos(), plain.ErrorPos()) << input;
    // What leaves the parser leaves it as often and in the same order.
    EXPECT_EQ(shared.callsOut, plain.callsOut) << input;
    EXPECT_LE(shared.entriesOfA, plain.entriesOfA) << input;
  }
  // The shared <a> of "<a>;<a>;<a>?" is parsed once, not again after "!" failed.
  SharingParser plain(false), shared(true);
  for (const char* r : rules) plain.AddRule(r), shared.AddRule(r);
  int p1 = 1, p2 = 1;
  ASSERT_TRUE(Parse(plain, "1;2;3?", "<s>", p1));
  ASSERT_TRUE(Parse(shared, "1;2;3?", "<s>", p2));
  EXPECT_LT(shared.entriesOfA, plain.entriesOfA);
}
