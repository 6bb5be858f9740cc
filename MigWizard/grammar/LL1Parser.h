// A small recursive-descent grammar engine. Rules are strings such as
// "<sign>-+|-|"; each nonterminal tries its alternatives in a fixed order,
// computed once, and the first that matches as a whole wins.
#pragma once

#include <bitset>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace migwiz::grammar {

class EGrammarError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TLL1Parser;

// Where a parse stands. Subclasses record more and put it back in Assign.
class TParseState {
 public:
  explicit TParseState(TLL1Parser* parser) : parser_(parser) {}
  virtual ~TParseState() = default;
  TParseState(const TParseState&) = delete;
  TParseState& operator=(const TParseState&) = delete;

  virtual void Assign(const TParseState& source);

  int CurPos() const { return curPos_; }
  void SetCurPos(int pos) { curPos_ = pos; }
  TLL1Parser* Parser() const { return parser_; }

 private:
  int curPos_ = 0;  // 1-based index of the next unread character
  TLL1Parser* parser_;
};

// Creates the parse state a parser works with (and every saved copy of it).
using TParseStateClass = std::function<std::unique_ptr<TParseState>(TLL1Parser*)>;

template <class State>
TParseStateClass ParseStateClassOf() {
  return [](TLL1Parser* parser) { return std::make_unique<State>(parser); };
}

struct TCharSet {
  std::bitset<256> chars;
  bool singleChar = false;  // matches one character, else a run of one or more
};

class TLL1Parser {
 public:
  // How deep nonterminals may nest before a parse gives up as a failure.
  // Parses run on a large stack of their own; this keeps within it.
  static constexpr int kDefaultMaxDepth = 300000;

  explicit TLL1Parser(TParseStateClass parseStateClass);
  virtual ~TLL1Parser();
  TLL1Parser(const TLL1Parser&) = delete;
  TLL1Parser& operator=(const TLL1Parser&) = delete;

  // Adds one rule: "<name>" + one separator + alternatives split by '|'.
  void AddRule(std::string_view rule);
  void ClearRules();

  // Parses inpStr from the 1-based pos against startRule ("<object>").
  // On success pos moves past the matched prefix.
  bool ParseString(const std::string& inpStr, std::string_view startRule, int& pos);

  TParseState& State() { return *state_; }
  int ErrorPos() const { return errorPos_; }
  const std::string& ErrorStr() const { return errorStr_; }
  void SetMaxDepth(int depth) { maxDepth_ = depth; }

  // The alternatives of a rule as they stand (after the first parse, in the
  // prepared order); for inspection.
  std::vector<std::string> Alternatives(std::string_view ruleName) const;

 protected:
  virtual TCharSet GetCharSet(std::string_view className);
  virtual bool ParseNonterminal(std::string_view name);
  virtual bool ParseCharClass(std::string_view className);
  virtual void BeforeParse() {}
  virtual void AfterParse(bool& /*result*/) {}

  const std::string& InputStr() const { return inputStr_; }
  // The input character at a 1-based position; 0 past either end.
  unsigned char InputAt(int pos) const;

 private:
  struct Element {
    enum Kind { Literal, CharClass, Nonterminal } kind;
    std::string text;  // the literal, or the reference with its brackets
  };
  struct Rule {
    std::string name;
    std::vector<std::string> alternatives;
    std::vector<std::vector<Element>> compiled;
  };

  void PrepareRules();
  void InlineEmptyAlternatives();
  void OrderAlternatives();
  Rule* FindRule(std::string_view name);
  bool ParseAlternative(const std::vector<Element>& alternative);
  const TCharSet& CharSetOf(std::string_view className);

  TParseStateClass parseStateClass_;
  std::unique_ptr<TParseState> state_;
  struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, Rule, NameLess> rules_;  // by lower-case name
  std::unordered_map<std::string_view, Rule*> ruleIndex_;  // the same, by exact name
  std::unordered_map<std::string, TCharSet> charSets_;
  int errorPos_ = 0;
  std::string errorStr_;
  bool rulesPrepared_ = false;
  std::string inputStr_;
  std::string inputStrLower_;
  int depth_ = 0;
  int maxDepth_ = kDefaultMaxDepth;
};

}  // namespace migwiz::grammar
