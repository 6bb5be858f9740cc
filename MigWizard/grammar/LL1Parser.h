// A small recursive-descent grammar engine. Rules are strings such as
// "<sign>-+|-|"; each nonterminal tries its alternatives in a fixed order,
// computed once, and the first that matches as a whole wins.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "grammar/PositionMemo.h"

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

  // The engine's cheap copy, taken before every alternative: Save pushes
  // what Restore needs onto the stack, Restore reads it back from saved and
  // returns the rest. A subclass calls the inherited one first and records
  // numbers (positions, list lengths), not copies of its strings and lists.
  virtual void Save(std::vector<int>& stack) const { stack.push_back(curPos_); }
  virtual const int* Restore(const int* saved) {
    curPos_ = *saved;
    return saved + 1;
  }

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
  // On success pos moves past the matched prefix. The parser keeps a view of
  // inpStr, not a copy: it must outlive every use of the parse's results
  // (MakeObject reads the input again).
  bool ParseString(std::string_view inpStr, std::string_view startRule, int& pos);

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
  // Lets a subclass parse the text itself, between BeforeParse and
  // AfterParse, where it is certain of the engine's outcome: true when it
  // did (result and the state then stand as the engine would leave them),
  // false to leave the parse to the engine with the state untouched.
  virtual bool ParseDirectly(std::string_view /*startRule*/, bool& /*result*/) { return false; }
  // How many rules were added so far (a subclass may tell its own apart).
  int RulesAdded() const { return rulesAdded_; }
  // Called once the rules are prepared, before the first parse begins.
  virtual void RulesPrepared() {}

  // The text of the current parse (the caller's string, not a copy).
  std::string_view InputStr() const { return input_; }
  // The input character at a 1-based position; 0 past either end.
  unsigned char InputAt(int pos) const {
    return pos < 1 || pos > static_cast<int>(input_.size())
               ? 0
               : static_cast<unsigned char>(input_[static_cast<size_t>(pos) - 1]);
  }

  // Prepared rules are numbered. The index of a rule by name (-1 when there
  // is none); the name the engine has just passed to ParseNonterminal is
  // answered without a lookup.
  int RuleIndexOf(std::string_view name) const {
    return name.data() == pendingRuleName_ && pendingRule_ >= 0 ? pendingRule_ : LookUpRule(name);
  }
  int RuleCount() const { return static_cast<int>(ruleList_.size()); }
  const std::string& RuleName(int index) const { return ruleList_[index]->name; }
  // What ParseNonterminal does for a known rule.
  bool ParseRule(int index);
  // Rules whose every match depends on the position alone (nothing else in
  // the state changes) may remember their results within one parse.
  void SetMemoised(int index, bool memoised) { ruleList_[index]->memoised = memoised; }
  // For each rule, whether it is one of targets or refers to one of them,
  // directly or through other rules.
  std::vector<bool> RulesReaching(const std::vector<int>& targets) const;
  // The index of a character class by name as the rules write it (-1 when
  // no rule uses it); like RuleIndexOf.
  // Lets a parse pass over the alternatives (and rules) that cannot begin
  // with the next character, as they would fail anyway. Only for a subclass
  // whose ParseNonterminal matches as the engine does (what it records is
  // put back with the state), since it is not called for them. Call from
  // RulesPrepared; opaqueClasses are classes ParseCharClass matches in a way
  // of its own (zero width, say), taken to match anything or nothing.
  void UseFirstCharacters(const std::vector<int>& opaqueClasses);
  // Lets a parse share the elements that alternatives of a rule begin with
  // alike: when one alternative fails, the next that begins the same way
  // goes on from the state those shared elements left (kept on the save
  // stack), and one that would fail at the same shared element is passed
  // over. Only for a subclass whose ParseNonterminal gives the same state
  // for the same state and text. Elements during whose parse the subclass
  // called out of the parser (NoteCallOut) are parsed again all the same,
  // so that such calls happen as often and in the same order as without.
  void UseSharedBeginnings();
  // The engine parses this rule itself, without a call of ParseNonterminal
  // (for a subclass whose ParseNonterminal would only call ParseRule), and
  // matches this class itself, without ParseCharClass (for one whose
  // ParseCharClass would only call the engine's).
  void CallDirectly(int rule) { ruleList_[rule]->direct = true; }
  void MatchDirectly(int charClass) { classes_[charClass].direct = true; }
  int CharClassCount() const { return static_cast<int>(classes_.size()); }
  // The furthest position (1-based) a character class matched up to in the
  // current or last parse; where it began when none did.
  int FurthestClassEnd() const { return classFurthest_; }
  // The subclass has just handed something out of the parser (a property
  // to its handler, say).
  void NoteCallOut() { ++callsOut_; }
  int CharClassIndexOf(std::string_view className) const {
    return className.data() == pendingClassName_ && pendingClass_ >= 0 ? pendingClass_
                                                                       : LookUpCharClass(className);
  }

 private:
  struct Element {
    enum Kind { Literal, CharClass, Nonterminal } kind;
    std::string text;  // the literal, or the reference with its brackets
    int index = -1;    // of the rule or class referred to; -1 unknown
  };
  struct Rule {
    std::string name;
    std::vector<std::string> alternatives;
    std::vector<std::vector<Element>> compiled;
    bool memoised = false;
    bool direct = false;  // parsed without ParseNonterminal
    // With UseFirstCharacters: the characters each alternative (and the
    // rule) may begin with, and whether it may match the empty text.
    std::vector<std::bitset<256>> altFirst;
    std::vector<bool> altNullable;
    std::bitset<256> first;
    bool nullable = true;
    // With UseSharedBeginnings: how many leading elements two alternatives
    // have in common (by their indices), and per alternative the element
    // counts after which its state is kept for a later alternative.
    std::vector<int> shared;  // count by count, alternative a's row first
    std::vector<std::uint64_t> keepAfter;
    // The alternatives that may begin with each character, one bit each;
    // empty when not known (or more than 64 alternatives).
    std::vector<std::uint64_t> viable;
    int Shared(int a, int b) const { return shared[static_cast<size_t>(a) * compiled.size() + b]; }
  };
  struct Checkpoint {
    int alternative;  // that matched the elements
    int elements;     // how many of its leading elements were matched
    size_t saved;     // where the state after them lies on the save stack
  };
  struct ClassSlot {
    std::string name;
    bool resolved = false;
    bool singleChar = false;
    bool direct = false;  // matched without ParseCharClass
    bool chars[256] = {};
  };
  struct MemoResult {
    int rule;
    int endPos;    // 0 when the rule failed
    int relPeak;   // how much deeper than the rule its parse went
  };

  void PrepareRules();
  void InlineEmptyAlternatives();
  void OrderAlternatives();
  void CompileRules();
  int LookUpRule(std::string_view name) const;
  int LookUpCharClass(std::string_view className) const;
  enum class Outcome { Matched, Failed, FailedUntouched };
  Outcome ParseAlternative(const std::vector<Element>& alternative);
  // From element from on; matched becomes the number of leading elements
  // matched (all of them on success).
  Outcome ParseAlternativeFrom(const Rule& rule, int alt, int from, int& matched, bool& calledOut);
  bool TryAlternativesShared(const Rule& rule);
  bool ParseMemoised(int index);
  bool TryAlternatives(const Rule& rule);
  ClassSlot& ResolvedClass(int index);
  bool MatchClass(int index);
  // One element of an alternative, through the virtual calls or directly.
  bool ParseElementRef(const Element& e);
  bool MatchLiteral(const std::string& text);

  TParseStateClass parseStateClass_;
  std::unique_ptr<TParseState> state_;
  struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, Rule, NameLess> rules_;  // by lower-case name
  std::vector<Rule*> ruleList_;                  // the same, by index (table order)
  std::vector<ClassSlot> classes_;               // by index
  std::map<std::string, int> classIndex_;        // by name as written
  int errorPos_ = 0;
  std::string errorStr_;
  bool rulesPrepared_ = false;
  int rulesAdded_ = 0;
  bool useFirst_ = false;
  bool useShared_ = false;
  std::vector<Checkpoint> checkpoints_;  // of the rules being tried, innermost last
  unsigned callsOut_ = 0;
  int classFurthest_ = 0;
  std::string_view input_;
  std::vector<int> saveStack_;  // the saved states of the alternatives being tried
  TPositionMemo<MemoResult> memo_;
  // What the engine passed to the virtual calls it is making.
  const char* pendingRuleName_ = nullptr;
  int pendingRule_ = -1;
  const char* pendingClassName_ = nullptr;
  int pendingClass_ = -1;
  int depth_ = 0;
  int peak_ = 0;  // the greatest depth reached so far
  int maxDepth_ = kDefaultMaxDepth;
};

}  // namespace migwiz::grammar
