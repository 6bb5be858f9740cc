// Parses one object of a text form description and rebuilds it with a new
// class name: its own (translated) properties first, then its child objects
// exactly as they stood, then "end".
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "grammar/LL1Parser.h"
#include "grammar/ObjectLayout.h"

namespace migwiz::profile {
struct TMigrationProfile;
}

namespace migwiz::grammar {

class TFormParser;
class IPropertyObserver;
struct TRecognizedObject;

class TFormParseState : public TParseState {
 public:
  using TParseState::TParseState;
  void Assign(const TParseState& source) override;
  void Save(std::vector<int>& stack) const override;
  const int* Restore(const int* saved) override;
  void Reset();
  // Changes one of the strings below so that a restore can put it back.
  // During a parse the strings are changed through here only.
  void SetText(std::string& field, std::string value);

  int PropCount = 0;
  int StartPos = 0;
  std::string TypeName;
  std::string CurPropName;
  std::string ObjKeyWord;
  std::string Name;
  int NestedObject = 0;
  int ObjectCount = 0;
  int ObjectPos = 0;

 private:
  // The earlier values of the strings, newest last: a saved state is the
  // length of this list, so saving copies no string.
  std::vector<std::pair<std::string*, std::string>> trail_;
};

// Answers the new value of a property (for "DatabaseName": the connection
// reference); empty drops it.
using TGetPropertyValue =
    std::function<std::string(const std::string& propName, const std::string& oldPropValue)>;

class TFormParser : public TLL1Parser {
 public:
  explicit TFormParser(TParseStateClass parseStateClass = ParseStateClassOf<TFormParseState>());
  ~TFormParser() override;

  // The rebuilt text of the last parsed object, indented for Level, its lines
  // ending in LineBreak (CR LF unless set). In the kept layout: the object's
  // text from its keyword up to where the parse ended, changed only where
  // its meaning changed (Level is not needed).
  virtual std::string MakeObject(int level);
  void ClearObject();

  const std::string& NewClassName() const { return newClassName_; }
  void SetNewClassName(std::string name) { newClassName_ = std::move(name); }
  void SetOnGetPropertyValue(TGetPropertyValue handler) { getPropertyValue_ = std::move(handler); }
  const std::string& LineBreak() const { return lineBreak_; }
  void SetLineBreak(std::string lineBreak) { lineBreak_ = std::move(lineBreak); }
  // Design unless set: the user chooses for each run.
  TObjectLayout Layout() const { return layout_; }
  void SetLayout(TObjectLayout layout) { layout_ = layout; }
  // After a failed parse: the furthest position (1-based) the parse got to,
  // where the text stopped matching the form grammar.
  int FurthestPos() const { return std::max(furthestPos_, FurthestClassEnd()); }
  // Told of every property of a parsed object and what became of it.
  void SetPropertyObserver(IPropertyObserver* observer) { propertyObserver_ = observer; }
  TFormParseState& FormState();
  // The migration profile whose rules translate properties, for parsers that
  // translate by one (the profile outlives the parses); null: the parser's
  // own. The general parser has fixed rules and ignores it.
  virtual void UseProfile(const profile::TMigrationProfile*) {}

  // Whether an object the grammar reads without doubt is read in one pass
  // instead of by the engine (on unless turned off; the result is the same).
  // Only for the grammar as this class defines it: a subclass that adds
  // rules, captures more or keeps more state is always parsed by the engine.
  void SetDirectParse(bool on) { directParse_ = on; }
  // How many parses were done that way.
  int DirectParses() const { return directParses_; }
  // Parses the object at pos (1-based) as ParseString does, but only where
  // the one-pass reader is sure of the result: false (with nothing read
  // by the engine) where it is not. furthestRead: the furthest position
  // (0-based) the reader looked at.
  bool ParseObjectDirectly(std::string_view text, int& pos, size_t& furthestRead);

  using StoredProperty = TLayoutProperty;
  const std::vector<StoredProperty>& Props() const { return props_; }
  const std::vector<std::string>& NestedObjects() const { return nestedObjects_; }

 protected:
  TCharSet GetCharSet(std::string_view className) override;
  bool ParseNonterminal(std::string_view name) override;
  bool ParseCharClass(std::string_view className) override;
  void BeforeParse() override;
  void AfterParse(bool& result) override;
  void RulesPrepared() override;
  bool ParseDirectly(std::string_view startRule, bool& result) override;
  // Whether entering or leaving the rule records anything. Rules that reach
  // no capturing rule change nothing but the position, so their results are
  // remembered within a parse; a subclass that captures more says so here.
  virtual bool IsCapturing(std::string_view ruleName) const;

  // Decides what a property of the parsed object becomes.
  virtual void ProcessProperty(const std::string& propName, const std::string& propValue);
  void StoreProperty(const std::string& name, const std::string& value);

  const TGetPropertyValue& OnGetPropertyValue() const { return getPropertyValue_; }

 private:
  friend class TFormParseState;
  void TruncateLists(int propCount, int objectCount) {
    while (static_cast<int>(props_.size()) > propCount) props_.pop_back();
    while (static_cast<int>(nestedObjects_.size()) > objectCount) nestedObjects_.pop_back();
    TruncateSources();
  }
  // A property whose value ends behind the position put back was read by
  // the alternative given up.
  void TruncateSources();
  void AddSource(const std::string& propName, int valuePos, size_t firstStored);
  bool ParseNestedObjectBody(int rule);
  std::string MatchedText();
  std::string HeaderPosition() const;

  enum class Capture { None, Keyword, ObjName, ObjType, FullPropName, PropValue, NestedObj };
  std::vector<Capture> captures_;  // by rule index
  int endGuardClass_ = -1;
  void ProcessObservedProperty(const std::string& propName, const std::string& propValue);
  void TakeRecognized(const TRecognizedObject& object);
  void AddNestedObject(std::string text);
  void ClearItems();
  bool directParse_ = true;
  int directParses_ = 0;
  bool directOnly_ = false;
  size_t furthestRead_ = 0;
  bool grammarAsDefined_ = false;  // the rules and captures are this class's own
  int ownRules_ = 0;

  std::vector<std::string> nestedObjects_;
  std::string newClassName_;
  TGetPropertyValue getPropertyValue_;
  IPropertyObserver* propertyObserver_ = nullptr;
  std::vector<StoredProperty> props_;
  std::string lineBreak_ = "\r\n";
  TObjectLayout layout_ = TObjectLayout::Design;
  std::vector<TPropertySource> sources_;  // where each property stood, for the kept layout
  int parseStart_ = 0;
  int parseEnd_ = 0;
  int furthestPos_ = 0;

  // A child object parsed again at the same place, after the text behind it
  // failed, gives the same result; remembering it keeps deep nesting linear.
  struct NestedResult {
    int nestedObject;
    std::string curPropName;
    bool ok;
    int endPos;
    std::string endCurPropName;
  };
  TPositionMemo<NestedResult> nestedMemo_;
};

// What ProcessProperty made of one property: the entries it stored (none
// when the property was dropped). A backtracking parse may tell of the same
// property again; its value position tells the tellings apart.
class IPropertyObserver {
 public:
  virtual ~IPropertyObserver() = default;
  // A new parse begins: what an earlier, abandoned parse told is void.
  virtual void ParseStarted() {}
  virtual void PropertyProcessed(const std::string& typeName, const std::string& propName,
                                 const std::string& propValue, int valuePos,
                                 const std::vector<TFormParser::StoredProperty>& stored) = 0;
};

using TFormParserClass = std::function<std::unique_ptr<TFormParser>(TParseStateClass)>;

template <class Parser>
TFormParserClass FormParserClassOf() {
  return [](TParseStateClass stateClass) { return std::make_unique<Parser>(std::move(stateClass)); };
}

// Access to a form parse state for code outside the parser.
class TFormParserUtils {
 public:
  static const std::string& GetTypeName(const TFormParseState& obj) { return obj.TypeName; }
  static const std::string& GetName(const TFormParseState& obj) { return obj.Name; }
  static void SetName(TFormParseState& obj, std::string value) { obj.SetText(obj.Name, std::move(value)); }
  static void SetPropCount(TFormParseState& obj, int value) { obj.PropCount = value; }
};

}  // namespace migwiz::grammar
