#include "grammar/TarnFormParser.h"

#include "grammar/ParamList.h"
#include "platform/ClassRegistry.h"
#include "profile/ProfileLoader.h"

namespace migwiz::grammar {

using profile::TRuleAction;

const profile::TMigrationProfile& TTarnFormParser::Profile() const {
  if (profile_) return *profile_;
  static const profile::TProfilePtr builtin = profile::BuiltinProfile();
  return *builtin;
}

// The first rule of the profile that fits the property and the object
// decides; a descendant of a paired class is translated as that class.
void TTarnFormParser::ProcessProperty(const std::string& propName, const std::string& propValue) {
  const profile::TMigrationProfile& p = Profile();
  const std::string& typeName = TFormParserUtils::GetTypeName(FormState());
  const profile::TClassPair* pair = p.FindPair(typeName) ? nullptr : p.ConvertedAs(typeName);
  // Rules name classes exactly as forms write them; a descendant stands for
  // its ancestor as the profile writes it.
  const std::string& asClass = pair ? pair->OldClass : typeName;
  const profile::TClassPair* own = pair ? pair : p.FindPair(typeName);
  const std::string kind = own ? own->Kind : std::string();
  for (const profile::TPropertyRule& rule : p.Rules) {
    if (rule.Property != propName || !rule.AppliesTo(asClass, kind)) continue;
    ApplyRule(rule, propValue);
    return;
  }
  if (Kept(p, typeName, pair, propName)) StoreProperty(propName, propValue);
}

void TTarnFormParser::ApplyRule(const profile::TPropertyRule& rule, const std::string& propValue) {
  switch (rule.Action) {
    case TRuleAction::Drop:
      return;
    case TRuleAction::Keep:
      StoreProperty(rule.Property, propValue);
      return;
    case TRuleAction::Rename:
      StoreProperty(rule.To, propValue);
      return;
    case TRuleAction::Connection: {
      const TGetPropertyValue& ask = OnGetPropertyValue();
      std::string answer = ask ? ask("DatabaseName", StringValueText(propValue)) : "";
      if (!answer.empty()) StoreProperty(rule.To, answer);
      return;
    }
    case TRuleAction::Params: {
      TParamList params = ReadParamList(propValue);
      for (const profile::TParamMapping& m : rule.Params) {
        std::string value = ParamValue(params, m.Param);
        if (!value.empty()) StoreProperty(m.Property, EncodeStringValue(value, params.style));
      }
      return;
    }
    case TRuleAction::Values:
      for (const auto& [from, to] : rule.Values)
        if (propValue == from) StoreProperty(rule.To, to);
      return;
  }
}

// What no rule decides: kept when the new class publishes it (or keeps every
// property, or is not known), when the profile always keeps it, or when a
// descendant publishes it itself.
bool TTarnFormParser::Kept(const profile::TMigrationProfile& p, const std::string& typeName,
                           const profile::TClassPair* pair, const std::string& propName) const {
  if (p.IsAlwaysKept(propName)) return true;
  std::string head = propName.substr(0, propName.find('.'));
  if (pair && p.DescendantPublishes(typeName, head)) return true;
  const std::string& newClass = pair ? pair->NewClass : NewClassName();
  if (!profile_) {  // without a profile given, the host's class registry decides
    const platform::TClassInfo* registered = platform::ClassRegistry::Global().FindClass(newClass);
    return !registered || registered->HasPublishedProperty(head);
  }
  const profile::TTargetClass* cls = p.FindClass(newClass);
  return !cls || !cls->Checked || cls->Publishes(head);
}

}  // namespace migwiz::grammar
