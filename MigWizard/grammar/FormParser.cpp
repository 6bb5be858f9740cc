#include "grammar/FormParser.h"

#include "grammar/ParamList.h"
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
    "<obj_header>-<keyword><*delim><obj_name><empty_delim>:<empty_delim><obj_type>",
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
    "|<collection>|<binary>|<name>.<name>",
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
    "<col_item>-item<*delim><item_props>end",
    "<col_items>-<col_item><*delim><col_items>|<col_item>|",
    "<collection>-\\60<empty_delim><col_items><empty_delim>\\62",
    "<binary>-{<empty_delim><hex_list><empty_delim>}",
    "<hex_list>-<*hexs>|<*hexs><*delim><hex_list>|",
};

bool IsDelim(unsigned char c) { return c == 9 || c == 10 || c == 13 || c == 32; }

enum class Capture { None, Keyword, ObjName, ObjType, FullPropName, PropValue, NestedObj };

Capture CaptureOf(std::string_view name) {
  if (name == "<keyword>") return Capture::Keyword;
  if (name == "<obj_name>") return Capture::ObjName;
  if (name == "<obj_type>") return Capture::ObjType;
  if (name == "<full_prop_name>") return Capture::FullPropName;
  if (name == "<prop_value>") return Capture::PropValue;
  if (name == "<nested_obj>") return Capture::NestedObj;
  return Capture::None;
}

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

void TFormParseState::Reset() {
  TypeName.clear();
  CurPropName.clear();
  ObjKeyWord.clear();
  Name.clear();
  StartPos = PropCount = NestedObject = ObjectCount = ObjectPos = 0;
}

TFormParser::TFormParser(TParseStateClass parseStateClass)
    : TLL1Parser(std::move(parseStateClass)) {
  Assert(dynamic_cast<TFormParseState*>(&State()) != nullptr, kUnit,
         "parse state class is not a form parse state");
  for (const char* rule : kFormRules) AddRule(rule);
}

TFormParser::~TFormParser() = default;

TFormParseState& TFormParser::FormState() { return static_cast<TFormParseState&>(State()); }

void TFormParser::TruncateLists(int propCount, int objectCount) {
  while (static_cast<int>(props_.size()) > propCount) props_.pop_back();
  while (static_cast<int>(nestedObjects_.size()) > objectCount) nestedObjects_.pop_back();
}

void TFormParser::ClearObject() {
  FormState().Reset();
  props_.clear();
  nestedObjects_.clear();
}

void TFormParser::BeforeParse() {
  ClearObject();
  nestedMemo_.clear();
}

void TFormParser::AfterParse(bool& result) {
  if (!result) ClearObject();
  nestedMemo_.clear();
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
  if (className == kEndGuard) {
    unsigned char next = InputAt(State().CurPos());
    return next == 0 || IsDelim(next);
  }
  return TLL1Parser::ParseCharClass(className);
}

std::string TFormParser::MatchedText() {
  TFormParseState& st = FormState();
  Assert(st.StartPos > 0, kUnit, "capture without a start position");
  return InputStr().substr(st.StartPos - 1, st.CurPos() - st.StartPos);
}

bool TFormParser::ParseNonterminal(std::string_view name) {
  TFormParseState& st = FormState();
  Capture capture = CaptureOf(name);
  if (capture == Capture::NestedObj) {
    if (++st.NestedObject == 1) {
      st.ObjectPos = st.CurPos();
      while (st.ObjectPos > 1 && InputAt(st.ObjectPos - 1) == ' ') --st.ObjectPos;
    }
  } else if (capture != Capture::None) {
    st.StartPos = st.CurPos();
  }

  bool ok = capture == Capture::NestedObj ? ParseNestedObjectBody(name)
                                          : TLL1Parser::ParseNonterminal(name);

  switch (capture) {
    case Capture::None:
      break;
    case Capture::Keyword:
    case Capture::ObjName:
    case Capture::ObjType:
      if (ok && st.NestedObject == 0) {
        std::string text = MatchedText();
        if (capture == Capture::Keyword) st.ObjKeyWord = text;
        else if (capture == Capture::ObjName) st.Name = text;
        else st.TypeName = text;
      }
      if (ok) st.StartPos = 0;
      break;
    case Capture::FullPropName:
      if (ok) {
        st.CurPropName = MatchedText();
        st.StartPos = 0;
      }
      break;
    case Capture::PropValue:
      if (ok) {
        if (!st.CurPropName.empty()) {
          if (st.NestedObject == 0) ProcessObservedProperty(st.CurPropName, MatchedText());
          st.CurPropName.clear();
        }
        st.StartPos = 0;
      }
      break;
    case Capture::NestedObj:
      --st.NestedObject;
      if (ok && st.NestedObject == 0) {
        int end = st.CurPos();
        while (end > 1 && IsDelim(InputAt(end - 1))) --end;
        std::string text = InputStr().substr(st.ObjectPos - 1, end - st.ObjectPos);
        bool known = false;
        for (const std::string& t : nestedObjects_) known = known || SameText(t, text);
        if (!known) nestedObjects_.push_back(std::move(text));
        st.ObjectPos = 0;
        ++st.ObjectCount;
      }
      break;
  }
  return ok;
}

bool TFormParser::ParseNestedObjectBody(std::string_view name) {
  // Inside a child nothing but the position and the current property name
  // changes (captures happen only at depth 0), so the outcome depends on
  // these three alone.
  TFormParseState& st = FormState();
  auto key = std::make_tuple(st.CurPos(), st.NestedObject, st.CurPropName);
  if (auto it = nestedMemo_.find(key); it != nestedMemo_.end()) {
    if (!it->second.ok) return false;
    st.SetCurPos(it->second.endPos);
    st.CurPropName = it->second.endCurPropName;
    return true;
  }
  bool ok = TLL1Parser::ParseNonterminal(name);
  nestedMemo_[key] = NestedResult{ok, st.CurPos(), st.CurPropName};
  return ok;
}

void TFormParser::ProcessObservedProperty(const std::string& propName, const std::string& propValue) {
  const size_t before = props_.size();
  const int valuePos = FormState().StartPos;
  ProcessProperty(propName, propValue);
  if (propertyObserver_)
    propertyObserver_->PropertyProcessed(FormState().TypeName, propName, propValue, valuePos,
                                         {props_.begin() + static_cast<long>(before), props_.end()});
}

void TFormParser::StoreProperty(const std::string& name, const std::string& value) {
  props_.push_back({name, support::SplitTextLines(value)});
  TFormParserUtils::SetPropCount(FormState(), static_cast<int>(props_.size()));
}

void TFormParser::ProcessProperty(const std::string& propName, const std::string& propValue) {
  // The general BDE rules; see TTarnFormParser for the product's own.
  const std::string& type = FormState().TypeName;
  if (propName == "DatabaseName") {
    if (type == "TDatabase") return;
    std::string unquoted = propValue.size() >= 2 ? propValue.substr(1, propValue.size() - 2) : "";
    std::string answer = getPropertyValue_ ? getPropertyValue_("DatabaseName", unquoted) : "";
    if (!answer.empty()) StoreProperty("Connection", answer);
    return;
  }
  if (propName == "Params.Strings" && type == "TDatabase") {
    static const std::pair<const char*, const char*> kParams[] = {
        {"USER NAME", "Username"}, {"PASSWORD", "Password"}, {"SERVER NAME", "Server"}};
    for (const auto& [param, property] : kParams) {
      std::string value = ParamValue(propValue, param);
      if (!value.empty()) StoreProperty(property, "'" + value + "'");
    }
    return;
  }
  if (propName == "DataSource" && type == "TQuery") {
    StoreProperty("MasterSource", propValue);
    return;
  }
  if (propName == "ParamData" && (type == "TQuery" || type == "TStoredProc")) {
    StoreProperty("ParamData", propValue);
    return;
  }
  const platform::TClassInfo* cls = platform::ClassRegistry::Global().FindClass(newClassName_);
  std::string head = propName.substr(0, propName.find('.'));
  if (!cls || cls->HasPublishedProperty(head) || propName == "Left" || propName == "Top")
    StoreProperty(propName, propValue);
}

std::string TFormParser::MakeObject(int level) {
  const TFormParseState& st = FormState();
  if (st.ObjKeyWord.empty() || st.Name.empty()) return std::string();
  const std::string indent(static_cast<size_t>(level) * 2, ' ');
  const std::string propIndent = indent + "  ";
  std::string out = indent + st.ObjKeyWord + " " + st.Name + ": " +
                    (newClassName_.empty() ? st.TypeName : newClassName_) + "\r\n";
  for (const StoredProperty& p : props_) {
    out += propIndent + p.name + " = ";
    for (size_t i = 0; i < p.lines.size(); ++i) {
      if (i > 0) out += "\r\n" + propIndent + "  ";
      out += p.lines[i];
    }
    out += "\r\n";
  }
  for (const std::string& child : nestedObjects_) out += child + "\r\n";
  out += indent + "end\r\n";
  return out;
}

}  // namespace migwiz::grammar
