#include "grammar/FormParser.h"

#include <algorithm>
#include <iterator>
#include <typeinfo>

#include "grammar/ObjectRecognizer.h"
#include "grammar/ParamList.h"
#include "grammar/StringValue.h"
#include "grammar/TranslationRules.h"
#include "platform/ClassRegistry.h"
#include "support/Assert.h"
#include "support/StrUtils.h"

namespace migwiz::grammar {

using support::Assert;
using support::SameText;

namespace {

constexpr const char* kUnit = "FormParser";

// An object ends at "end" only where whitespace or the end of the text
// follows, so a first property such as EndDate is not cut inside its name.
constexpr const char* kEndGuard = "<*space_or_eot>";

const char* const kFormRules[] = {
    "<obj_header>-<keyword><*delim><obj_name><empty_delim>:<empty_delim><obj_type>"
    "|<keyword><*delim><obj_name><empty_delim>:<empty_delim><obj_type><empty_delim>[<int>]",
    "<obj_name>-<name>",
    "<obj_type>-<name>",
    "<object>-<obj_header><*delim><properties>end<*space_or_eot><empty_delim>"
    "|<obj_header><*delim>end<*space_or_eot><empty_delim>",
    "<keyword>-object|inherited|inline",
    "<name>-<*char><char_or_digit_l>",
    "<char_or_digit_l>-<*chars_or_digits>|",
    "<properties>-<prop>|<nested_obj>|<prop><properties>|<nested_obj><properties>",
    "<nested_obj>-<object>",
    "<prop>-<full_prop_name><empty_delim>=<empty_delim><prop_value><*delim>",
    "<full_prop_name>-<prop_name>",
    "<prop_value>-<value>",
    "<prop_name>-<name>|<name>.<prop_name>",
    "<empty_delim>-<*delim>|",
    "<value>-<numeric_date>|<number>|<const>|<string>|<string2>|<strings>|<numbers>|<set>"
    "|<collection>|<binary>|<name>.<name>|<typed_number>|<hex_number>|<name_path>",
    "<sign>-+|-|",
    "<int>-<sign><*digits>",
    "<fixed_point>-<int>.<*digits>",
    "<float>-<fixed_point>e<int>|<int>e<int>",
    "<number>-<sign><*digits>.<*digits>e<int>|<sign><*digits>e<int>|<sign><*digits>.<*digits>"
    "|<sign><*digits>",
    "<numeric_date>-<*digits>d",
    "<symbols>-<*symbols>|",
    "<byte>-#<*digits>",
    "<bytes>-<byte>|<byte><bytes>",
    "<string>-'<symbols>'|<bytes>|<bytes><string>|'<symbols>'<string>",
    "<string2>-<string>|<empty_delim><string><empty_delim>+<empty_delim><string2>",
    "<const>-<name>",
    "<number_list>-<number>|<number><*delim><number_list>|",
    "<numbers>-(<empty_delim><number_list><empty_delim>)",
    "<string_list>-<string2>|<string2><*delim><string_list>|",
    "<strings>-(<empty_delim><string_list><empty_delim>)",
    "<set_items>-<name>|<name><empty_delim>,<empty_delim><set_items>",
    "<set>-[<empty_delim>]|[<empty_delim><set_items><empty_delim>]",
    "<item_prop>-<prop_name><empty_delim>=<empty_delim><value>",
    "<item_props>-<item_prop><*delim><item_props>|<item_prop><*delim>|<*delim>",
    "<col_item>-item<*delim><item_props>end|item<empty_delim>[<int>]<*delim><item_props>end",
    "<col_items>-<col_item><*delim><col_items>|<col_item>|",
    "<collection>-\\60<empty_delim><col_items><empty_delim>\\62",
    "<binary>-{<empty_delim><hex_list><empty_delim>}",
    "<hex_list>-<*hexs>|<*hexs><*delim><hex_list>|",
    // Each name below sorts before the alternative of <value> that would
    // otherwise take a prefix of it (<number>, <name>.<name>).
    "<typed_number>-<number><number_type>|-inf|-inf<number_type>",
    "<number_type>-s|c|d",
    "<hex_number>-$<*hexs>",
    "<name_path>-<name>.<name>.<prop_name>",
};

bool IsDelim(unsigned char c) { return c == 9 || c == 10 || c == 13 || c == 32; }

}  // namespace

void TFormParseState::Assign(const TParseState& source) {
  const auto* src = dynamic_cast<const TFormParseState*>(&source);
  Assert(src != nullptr, kUnit, "parse state is not a form parse state");
  TParseState::Assign(source);
  PropCount = src->PropCount;
  StartPos = src->StartPos;
  TypeName = src->TypeName;
  CurPropName = src->CurPropName;
  ObjKeyWord = src->ObjKeyWord;
  Name = src->Name;
  NestedObject = src->NestedObject;
  ObjectCount = src->ObjectCount;
  ObjectPos = src->ObjectPos;
  static_cast<TFormParser*>(Parser())->TruncateLists(PropCount, ObjectCount);
}

void TFormParseState::Save(std::vector<int>& stack) const {
  TParseState::Save(stack);
  const int saved[] = {PropCount, StartPos, NestedObject, ObjectCount, ObjectPos,
                       static_cast<int>(trail_.size())};
  stack.insert(stack.end(), std::begin(saved), std::end(saved));
}

const int* TFormParseState::Restore(const int* saved) {
  saved = TParseState::Restore(saved);
  PropCount = saved[0];
  StartPos = saved[1];
  NestedObject = saved[2];
  ObjectCount = saved[3];
  ObjectPos = saved[4];
  for (auto keep = static_cast<size_t>(saved[5]); trail_.size() > keep; trail_.pop_back())
    *trail_.back().first = std::move(trail_.back().second);
  static_cast<TFormParser*>(Parser())->TruncateLists(PropCount, ObjectCount);
  return saved + 6;
}

void TFormParseState::SetText(std::string& field, std::string value) {
  trail_.emplace_back(&field, std::move(field));
  field = std::move(value);
}

void TFormParseState::Reset() {
  TypeName.clear();
  CurPropName.clear();
  ObjKeyWord.clear();
  Name.clear();
  StartPos = PropCount = NestedObject = ObjectCount = ObjectPos = 0;
  trail_.clear();
}

TFormParser::TFormParser(TParseStateClass parseStateClass)
    : TLL1Parser(std::move(parseStateClass)) {
  Assert(dynamic_cast<TFormParseState*>(&State()) != nullptr, kUnit,
         "parse state class is not a form parse state");
  for (const char* rule : kFormRules) AddRule(rule);
  ownRules_ = RulesAdded();
}

TFormParser::~TFormParser() = default;

TFormParseState& TFormParser::FormState() { return static_cast<TFormParseState&>(State()); }

void TFormParser::ClearObject() {
  FormState().Reset();
  ClearItems();
}

void TFormParser::ClearItems() {
  FormState().PropCount = FormState().ObjectCount = 0;
  props_.clear();
  nestedObjects_.clear();
  sources_.clear();
}

void TFormParser::BeforeParse() {
  ClearObject();
  if (propertyObserver_) propertyObserver_->ParseStarted();
  parseStart_ = furthestPos_ = State().CurPos();
  nestedMemo_.Reset(State().CurPos());
}

void TFormParser::AfterParse(bool& result) {
  if (!result) ClearObject();
  parseEnd_ = result ? State().CurPos() : 0;
  nestedMemo_.Reset(0);
}

bool TFormParser::IsCapturing(std::string_view ruleName) const {
  for (const char* name : {"<keyword>", "<obj_name>", "<obj_type>", "<full_prop_name>",
                           "<prop_value>", "<nested_obj>"})
    if (ruleName == name) return true;
  return false;
}

void TFormParser::RulesPrepared() {
  static const std::pair<const char*, Capture> kCaptures[] = {
      {"<keyword>", Capture::Keyword},          {"<obj_name>", Capture::ObjName},
      {"<obj_type>", Capture::ObjType},         {"<full_prop_name>", Capture::FullPropName},
      {"<prop_value>", Capture::PropValue},     {"<nested_obj>", Capture::NestedObj}};
  captures_.assign(RuleCount(), Capture::None);
  for (const auto& [name, capture] : kCaptures)
    if (int rule = RuleIndexOf(name); rule >= 0) captures_[rule] = capture;
  std::vector<int> capturing;
  for (int rule = 0; rule < RuleCount(); ++rule)
    if (IsCapturing(RuleName(rule)))
      capturing.push_back(rule);
  std::vector<bool> reaches = RulesReaching(capturing);
  for (int rule = 0; rule < RuleCount(); ++rule) SetMemoised(rule, !reaches[rule]);
  endGuardClass_ = CharClassIndexOf(kEndGuard);
  // Rules that capture nothing and classes other than the end guard go
  // straight to the engine.
  for (int rule = 0; rule < RuleCount(); ++rule)
    if (!IsCapturing(RuleName(rule))) CallDirectly(rule);
  for (int c = 0; c < CharClassCount(); ++c)
    if (c != endGuardClass_) MatchDirectly(c);
  UseFirstCharacters({endGuardClass_});
  UseSharedBeginnings();
  grammarAsDefined_ = RulesAdded() == ownRules_ && typeid(State()) == typeid(TFormParseState);
  for (int rule = 0; rule < RuleCount(); ++rule)
    if (IsCapturing(RuleName(rule)) != (captures_[rule] != Capture::None)) grammarAsDefined_ = false;
}

bool TFormParser::ParseDirectly(std::string_view startRule, bool& result) {
  if (!directParse_ || !grammarAsDefined_ || startRule != "<object>" || State().CurPos() < 1) {
    result = false;
    return directOnly_;
  }
  TRecognizedObject object;
  if (!TObjectRecognizer(InputStr()).Recognize(static_cast<size_t>(State().CurPos()) - 1, object)) {
    result = false;
    return directOnly_;  // a parse that wants the reader's answer alone ends here
  }
  TakeRecognized(object);
  furthestRead_ = object.furthestRead;
  ++directParses_;
  result = true;
  return true;
}

bool TFormParser::ParseObjectDirectly(std::string_view text, int& pos, size_t& furthestRead) {
  if (!directParse_) return false;
  directOnly_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{directOnly_};
  const bool ok = ParseString(text, "<object>", pos);
  furthestRead = furthestRead_;
  return ok;
}

// Records what the engine's captures would, with ProcessProperty called as
// often and in the same order: the engine reads the last item of an object
// twice (first followed by more items, which fails), and the whole list
// twice when the object ends the text.
void TFormParser::TakeRecognized(const TRecognizedObject& object) {
  TFormParseState& st = FormState();
  std::string_view in = InputStr();
  auto text = [in](size_t from, size_t to) { return std::string(in.substr(from, to - from)); };
  st.ObjKeyWord = text(object.keywordStart, object.keywordEnd);
  st.Name = text(object.nameStart, object.nameEnd);
  st.TypeName = text(object.typeStart, object.typeEnd);
  auto takeProperty = [&](const TRecognizedItem& item) {
    st.CurPropName = text(item.nameStart, item.nameEnd);
    st.StartPos = static_cast<int>(item.valueStart) + 1;
    st.SetCurPos(static_cast<int>(item.valueEnd) + 1);
    ProcessObservedProperty(st.CurPropName, text(item.valueStart, item.valueEnd));
    st.CurPropName.clear();
    st.StartPos = 0;
  };
  auto takeItems = [&] {
    for (size_t i = 0; i < object.items.size(); ++i) {
      const TRecognizedItem& item = object.items[i];
      if (item.nested) {
        AddNestedObject(text(item.textStart, item.textEnd));
        ++st.ObjectCount;
        continue;
      }
      const size_t props = props_.size(), sources = sources_.size();
      takeProperty(item);
      if (i + 1 < object.items.size()) continue;
      props_.resize(props);
      sources_.resize(sources);
      st.PropCount = static_cast<int>(props);
      takeProperty(item);
    }
  };
  takeItems();
  if (object.readTwice) {
    ClearItems();
    takeItems();
  }
  st.SetCurPos(static_cast<int>(object.end) + 1);
}

// A child written twice alike is kept once.
void TFormParser::AddNestedObject(std::string text) {
  for (const std::string& t : nestedObjects_)
    if (SameText(t, text)) return;
  nestedObjects_.push_back(std::move(text));
}

TCharSet TFormParser::GetCharSet(std::string_view className) {
  if (className == "<*delim>" || className == kEndGuard) {
    TCharSet set;
    for (unsigned char c : {9, 10, 13, 32}) set.chars.set(c);
    return set;
  }
  return TLL1Parser::GetCharSet(className);
}

bool TFormParser::ParseCharClass(std::string_view className) {
  if (endGuardClass_ >= 0 && CharClassIndexOf(className) == endGuardClass_) {
    unsigned char next = InputAt(State().CurPos());
    return next == 0 || IsDelim(next);
  }
  return TLL1Parser::ParseCharClass(className);
}

std::string TFormParser::MatchedText() {
  TFormParseState& st = FormState();
  Assert(st.StartPos > 0, kUnit, "capture without a start position");
  return std::string(InputStr().substr(st.StartPos - 1, st.CurPos() - st.StartPos));
}

bool TFormParser::ParseNonterminal(std::string_view name) {
  const int rule = RuleIndexOf(name);
  if (rule < 0) return TLL1Parser::ParseNonterminal(name);  // unknown: the engine's error
  const Capture capture = captures_[rule];
  if (capture == Capture::None) return ParseRule(rule);

  TFormParseState& st = FormState();
  if (capture == Capture::NestedObj) {
    if (++st.NestedObject == 1) {
      st.ObjectPos = st.CurPos();
      while (st.ObjectPos > 1 && InputAt(st.ObjectPos - 1) == ' ') --st.ObjectPos;
    }
  } else {
    st.StartPos = st.CurPos();
  }

  bool ok = capture == Capture::NestedObj ? ParseNestedObjectBody(rule) : ParseRule(rule);

  switch (capture) {
    case Capture::None:
      break;
    case Capture::Keyword:
    case Capture::ObjName:
    case Capture::ObjType:
      if (ok && st.NestedObject == 0) {
        std::string& field = capture == Capture::Keyword   ? st.ObjKeyWord
                             : capture == Capture::ObjName ? st.Name
                                                           : st.TypeName;
        st.SetText(field, MatchedText());
      }
      if (ok) st.StartPos = 0;
      break;
    case Capture::FullPropName:
      if (ok) {
        st.SetText(st.CurPropName, MatchedText());
        st.StartPos = 0;
      }
      break;
    case Capture::PropValue:
      if (ok) {
        if (!st.CurPropName.empty()) {
          if (st.NestedObject == 0) ProcessObservedProperty(st.CurPropName, MatchedText());
          st.SetText(st.CurPropName, std::string());
        }
        st.StartPos = 0;
      }
      break;
    case Capture::NestedObj:
      --st.NestedObject;
      if (ok && st.NestedObject == 0) {
        int end = st.CurPos();
        while (end > 1 && IsDelim(InputAt(end - 1))) --end;
        AddNestedObject(std::string(InputStr().substr(st.ObjectPos - 1, end - st.ObjectPos)));
        st.ObjectPos = 0;
        ++st.ObjectCount;
      }
      break;
  }
  return ok;
}

bool TFormParser::ParseNestedObjectBody(int rule) {
  // Inside a child nothing but the position and the current property name
  // changes (captures happen only at depth 0), so the outcome depends on
  // these three alone.
  TFormParseState& st = FormState();
  const int pos = st.CurPos();
  const NestedResult* hit = nestedMemo_.Find(pos, [&st](const NestedResult& r) {
    return r.nestedObject == st.NestedObject && r.curPropName == st.CurPropName;
  });
  if (hit) {
    if (!hit->ok) return false;
    st.SetCurPos(hit->endPos);
    if (st.CurPropName != hit->endCurPropName) st.SetText(st.CurPropName, hit->endCurPropName);
    return true;
  }
  const int nestedObject = st.NestedObject;
  std::string curPropName = st.CurPropName;
  bool ok = ParseRule(rule);
  nestedMemo_.Add(pos, NestedResult{nestedObject, std::move(curPropName), ok, st.CurPos(), st.CurPropName});
  return ok;
}

void TFormParser::ProcessObservedProperty(const std::string& propName, const std::string& propValue) {
  const size_t before = props_.size();
  const int valuePos = FormState().StartPos;
  NoteCallOut();
  ProcessProperty(propName, propValue);
  AddSource(propName, valuePos, before);
  if (propertyObserver_)
    propertyObserver_->PropertyProcessed(FormState().TypeName, propName, propValue, valuePos,
                                         {props_.begin() + static_cast<long>(before), props_.end()});
}

void TFormParser::AddSource(const std::string& propName, int valuePos, size_t firstStored) {
  std::string_view in = InputStr();
  TPropertySource s;
  s.valueStart = static_cast<size_t>(valuePos) - 1;
  s.valueEnd = static_cast<size_t>(State().CurPos()) - 1;
  size_t nameEnd = s.valueStart;
  while (nameEnd > 0 && IsDelim(in[nameEnd - 1])) --nameEnd;
  if (nameEnd > 0 && in[nameEnd - 1] == '=') --nameEnd;
  while (nameEnd > 0 && IsDelim(in[nameEnd - 1])) --nameEnd;
  s.nameStart = nameEnd >= propName.size() ? nameEnd - propName.size() : 0;
  s.name = propName;
  s.first = firstStored;
  s.count = props_.size() - firstStored;
  sources_.push_back(std::move(s));
}

void TFormParser::TruncateSources() {
  const auto pos = static_cast<size_t>(State().CurPos());
  while (!sources_.empty() && sources_.back().valueEnd + 1 > pos) sources_.pop_back();
}

void TFormParser::StoreProperty(const std::string& name, const std::string& value) {
  props_.push_back({name, support::SplitTextLines(value)});
  TFormParserUtils::SetPropCount(FormState(), static_cast<int>(props_.size()));
}

void TFormParser::ProcessProperty(const std::string& propName, const std::string& propValue) {
  // The general BDE rules; see TTarnFormParser for the product's own. A
  // rule applies by what the object is (TranslationRules), not by one name.
  const TBdeKind kind = BdeKindOf(FormState().TypeName);
  if (propName == "DatabaseName") {
    if (kind == TBdeKind::bkConnection) return;
    std::string answer =
        getPropertyValue_ ? getPropertyValue_("DatabaseName", StringValueText(propValue)) : "";
    if (!answer.empty()) StoreProperty("Connection", answer);
    return;
  }
  if (propName == "Params.Strings" && kind == TBdeKind::bkConnection) {
    static const std::pair<const char*, const char*> kParams[] = {
        {"USER NAME", "Username"}, {"PASSWORD", "Password"}, {"SERVER NAME", "Server"}};
    TParamList params = ReadParamList(propValue);
    for (const auto& [param, property] : kParams) {
      std::string value = ParamValue(params, param);
      if (!value.empty()) StoreProperty(property, EncodeStringValue(value, params.style));
    }
    return;
  }
  if (const TPropertyRename* rename = FindPropertyRename(propName, kind)) {
    StoreProperty(rename->NewName, propValue);
    return;
  }
  const platform::TClassInfo* cls = platform::ClassRegistry::Global().FindClass(newClassName_);
  std::string head = propName.substr(0, propName.find('.'));
  if (!cls || cls->HasPublishedProperty(head) || propName == "Left" || propName == "Top")
    StoreProperty(propName, propValue);
}

// The child position after the header's type name (" [2]"), as written;
// empty when there is none.
std::string TFormParser::HeaderPosition() const {
  std::string_view in = InputStr();
  size_t colon = in.find(':', static_cast<size_t>(std::max(parseStart_, 1)) - 1);
  if (colon == std::string::npos) return std::string();
  size_t at = colon + 1;
  while (at < in.size() && IsDelim(in[at])) ++at;
  while (at < in.size() && !IsDelim(in[at]) && in[at] != '[') ++at;  // the type name
  size_t typeEnd = at;
  while (at < in.size() && IsDelim(in[at])) ++at;
  if (at >= in.size() || in[at] != '[') return std::string();
  size_t close = in.find(']', at);
  return close == std::string::npos ? std::string() : std::string(in.substr(typeEnd, close + 1 - typeEnd));
}

std::string TFormParser::MakeObject(int level) {
  const TFormParseState& st = FormState();
  if (st.ObjKeyWord.empty() || st.Name.empty()) return std::string();
  if (layout_ == TObjectLayout::Kept)
    return WriteKeptObject(InputStr(), static_cast<size_t>(parseStart_) - 1, static_cast<size_t>(parseEnd_) - 1,
                           newClassName_, sources_, props_, lineBreak_);
  const std::string& br = lineBreak_;
  const std::string indent(static_cast<size_t>(level) * 2, ' ');
  const std::string propIndent = indent + "  ";
  std::string out = indent + st.ObjKeyWord + " " + st.Name + ": " +
                    (newClassName_.empty() ? st.TypeName : newClassName_) + HeaderPosition() + br;
  for (const StoredProperty& p : props_) {
    out += propIndent + p.name + " = ";
    for (size_t i = 0; i < p.lines.size(); ++i) {
      if (i > 0) out += br + propIndent + "  ";
      out += p.lines[i];
    }
    out += br;
  }
  for (const std::string& child : nestedObjects_) out += child + br;
  out += indent + "end" + br;
  return out;
}

}  // namespace migwiz::grammar
