// An object read in one pass must come out exactly as the grammar engine
// gives it: the same result and end, the same rebuilt text in both layouts,
// the same property lookups and observer calls in the same order. Generated
// objects of every kind, then the same objects with bytes changed at random.
#include <gtest/gtest.h>

#include <string>

#include "FormCorpus.h"
#include "FormCorpusDigest.h"
#include "grammar/ObjectRecognizer.h"
#include "grammar/TarnFormParser.h"

using namespace migwiz::grammar;
using migwiz::testing::FormCorpus;

namespace {

class CallLog : public IPropertyObserver {
 public:
  std::string calls;
  void ParseStarted() override { calls += "start;"; }
  void PropertyProcessed(const std::string& typeName, const std::string& propName, const std::string& propValue,
                         int valuePos, const std::vector<TFormParser::StoredProperty>& stored) override {
    calls += typeName + "|" + propName + "|" + propValue + "|" + std::to_string(valuePos) + "|" +
             std::to_string(stored.size()) + ";";
  }
};

// Everything one parse gives back, in one string.
std::string Outcome(TFormParser& parser, const FormCorpus::Case& c, TObjectLayout layout, CallLog& log) {
  log.calls.clear();
  parser.SetPropertyObserver(&log);
  parser.SetLayout(layout);
  std::string rebuilt;
  std::string digest = migwiz::testing::DigestLine(parser, c, &rebuilt);
  if (digest[0] == '0') digest += " furthest " + std::to_string(parser.FurthestPos()) + " " + parser.ErrorStr();
  return digest + "\n" + rebuilt + "\n" + log.calls;
}

// Changes a few bytes of text, picked from what the grammar reacts to.
std::string Mutated(std::string text, uint64_t& seed) {
  static const char kBytes[] = " \t\r\n'#+()<>[]{}=.,:$-0123456789eEdsxyzendobjectitem";
  auto next = [&seed] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<size_t>(seed >> 33);
  };
  const int changes = 1 + static_cast<int>(next() % 3);
  for (int i = 0; i < changes && !text.empty(); ++i) {
    const size_t at = next() % text.size();
    const char byte = kBytes[next() % (sizeof kBytes - 1)];
    switch (next() % 3) {
      case 0: text[at] = byte; break;
      case 1: text.insert(text.begin() + static_cast<long>(at), byte); break;
      default: text.erase(at, 1); break;
    }
  }
  return text;
}

}  // namespace

TEST(DirectParse, GivesWhatTheEngineGivesForEveryGeneratedObject) {
  TTarnFormParser direct(ParseStateClassOf<TFormParseState>());
  TTarnFormParser engine(ParseStateClassOf<TFormParseState>());
  engine.SetDirectParse(false);
  CallLog directLog, engineLog;
  FormCorpus corpus(77);
  uint64_t seed = 5;
  int mismatches = 0, parsed = 0;
  for (int i = 0; i < 6000; ++i) {
    FormCorpus::Case c = corpus.Next();
    if (i % 2 == 1) c.text = Mutated(c.text, seed);
    const TObjectLayout layout = i % 3 == 0 ? TObjectLayout::Kept : TObjectLayout::Design;
    const std::string want = Outcome(engine, c, layout, engineLog);
    const std::string got = Outcome(direct, c, layout, directLog);
    parsed += want[0] == '1';
    if (got != want && ++mismatches <= 3)
      ADD_FAILURE() << "case " << i << "\n--- input:\n" << c.text << "\n--- engine:\n" << want << "\n--- direct:\n" << got;
  }
  EXPECT_EQ(mismatches, 0);
  // Most objects that parse at all are read in one pass.
  EXPECT_GT(direct.DirectParses(), parsed * 3 / 4) << parsed;
  EXPECT_EQ(engine.DirectParses(), 0);
}

// Texts the one-pass reader must leave to the engine, and texts it takes.
TEST(DirectParse, LeavesToTheEngineWhatItCannotBeSureOf) {
  const struct {
    const char* text;
    bool taken;
  } kCases[] = {
      {"object A: TQuery\r\n  Tag = 1\r\nend\r\n", true},
      {"object A: TQuery\r\n  Caption = 'a' +\r\n    'b'\r\n  SQL.Strings = (\r\n    'x'\r\n    'y')\r\nend", true},
      {"object A: TQuery\r\n  Items = <\r\n    item\r\n      Name = 'x'\r\n    end>\r\nend\r\n", true},
      {"object A: TQuery\r\n  Values = (1 2.5 -3)\r\nend\r\n", true},
      {"object A: TQuery\r\n  Values = (1 2.5 'x')\r\nend\r\n", false},  // fails
      {"object A: TQuery\r\n  Tag = 1x\r\nend\r\n", false},              // a value blanks do not follow
      {"object A: TQuery\r\n  Tag = 1\r\n", false},                      // no end: fails
      {"object A: TQuery [0]\r\n  Tag = 1\r\nend\r\n", true},
      {"object A: TQuery\r\n  End = 1\r\nend\r\n", true},             // ends at "End": as the engine
      {"object A: TQuery\r\n  Tag = 1 +\r\nend\r\n", false},          // fails
  };
  TTarnFormParser direct(ParseStateClassOf<TFormParseState>());
  TTarnFormParser engine(ParseStateClassOf<TFormParseState>());
  engine.SetDirectParse(false);
  CallLog directLog, engineLog;
  for (const auto& c : kCases) {
    TRecognizedObject object;
    EXPECT_EQ(TObjectRecognizer(c.text).Recognize(0, object), c.taken) << c.text;
    const FormCorpus::Case asCase{c.text, "TTarnQuery", 1};
    EXPECT_EQ(Outcome(direct, asCase, TObjectLayout::Design, directLog),
              Outcome(engine, asCase, TObjectLayout::Design, engineLog)) << c.text;
  }
}

// Beyond what the engine's nesting limit might reach, the engine decides.
TEST(DirectParse, AVeryLongListIsLeftToTheEngine) {
  std::string many = "object A: TQuery\r\n  SQL.Strings = (\r\n";
  for (int i = 0; i < 100000; ++i) many += "    'line'\r\n";
  many += "  )\r\nend\r\n";
  TRecognizedObject object;
  EXPECT_FALSE(TObjectRecognizer(many).Recognize(0, object));
  std::string some = "object A: TQuery\r\n  SQL.Strings = (\r\n";
  for (int i = 0; i < 1000; ++i) some += "    'line'\r\n";
  some += "  )\r\nend\r\n";
  EXPECT_TRUE(TObjectRecognizer(some).Recognize(0, object));
  ASSERT_EQ(object.items.size(), 1u);
  EXPECT_EQ(object.end, some.size());
}
