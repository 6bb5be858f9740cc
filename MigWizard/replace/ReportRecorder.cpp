#include "replace/ReportRecorder.h"

#include <set>

#include "grammar/ParamList.h"
#include "grammar/TranslationRules.h"
#include "platform/ClassRegistry.h"
#include "replace/ManualWorkScan.h"
#include "replace/PasParser.h"
#include "replace/TextPlace.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using grammar::TFormParser;
using support::JoinedTextLines;
using support::UpperCase;

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
  return text;
}

std::string Masked(const std::string& name, const std::string& value) {
  return IsSecretParameter(name) && !value.empty() ? "***" : value;
}

struct ParamLine {
  std::string name, value;
};

// The items of a Params list as name and value, each decoded as the string
// value it is.
std::vector<ParamLine> ParamLines(const std::string& value) {
  std::vector<ParamLine> lines;
  for (const std::string& item : grammar::ReadParamList(value).items) {
    size_t eq = item.find('=');
    lines.push_back(eq == std::string::npos ? ParamLine{item, ""}
                                            : ParamLine{item.substr(0, eq), item.substr(eq + 1)});
  }
  return lines;
}

// The parameter a connection property is taken from.
std::string ParameterOf(const std::string& property) {
  static const std::pair<const char*, const char*> kParams[] = {
      {"Database", "DATABASE NAME"}, {"Username", "USER NAME"}, {"Password", "PASSWORD"}, {"Server", "SERVER NAME"}};
  for (const auto& [prop, param] : kParams)
    if (property == prop) return param;
  return std::string();
}

}  // namespace

TReportRecorder::TReportRecorder(TRunReport& report) : report_(report) {}
TReportRecorder::~TReportRecorder() = default;

void TReportRecorder::BeginForm(const std::string& file, const std::string& text, bool binary) {
  file_ = file;
  binary_ = binary;
  text_ = &text;
  pending_.clear();
}

void TReportRecorder::PropertyProcessed(const std::string& typeName, const std::string& propName,
                                        const std::string& propValue, int valuePos,
                                        const std::vector<TFormParser::StoredProperty>& stored) {
  Pending p;
  if (propName == "Params.Strings" && typeName == "TDatabase") {
    std::vector<ParamLine> lines = ParamLines(propValue);
    std::set<std::string> taken;
    for (const auto& s : stored) {
      std::string param = ParameterOf(s.name);
      std::string old;
      for (const ParamLine& l : lines)
        if (UpperCase(l.name) == param && old.empty()) old = l.value;
      taken.insert(param);
      p.translated.push_back({"Params " + param, Masked(param, old), s.name, Masked(s.name, Joined(s.lines))});
    }
    for (const ParamLine& l : lines)
      if (!taken.count(UpperCase(l.name))) p.dropped.push_back({l.name, Masked(l.name, l.value), true});
  } else if (stored.empty()) {
    p.dropped.push_back({propName, Masked(propName, JoinedTextLines(propValue)), false});
  } else if (!(stored.size() == 1 && stored[0].name == propName && support::SameTextLines(stored[0].lines, propValue))) {
    for (const auto& s : stored)
      p.translated.push_back({propName, Masked(propName, JoinedTextLines(propValue)), s.name,
                              Masked(s.name, Joined(s.lines))});
  }
  pending_[valuePos] = std::move(p);
}

void TReportRecorder::ObjectConverted(int line, const std::string& enclosing, const std::string& name,
                                      const std::string& oldClass, const std::string& newClass,
                                      const TConnectionChoice& connection) {
  TConvertedObject object;
  object.File = file_;
  object.Place = {line, enclosing + name, binary_};
  object.Name = name;
  object.OldClass = oldClass;
  object.NewClass = newClass;
  const profile::TClassPair* as = profile_ ? profile_->ConvertedAs(oldClass) : nullptr;
  object.NeedsConnection =
      grammar::IsConnectedDataset(as ? grammar::BdeKindNamed(as->Kind) : grammar::BdeKindOf(oldClass));
  object.Connection = connection;
  if (as) {
    const profile::TTargetClass* cls = profile_->FindClass(as->NewClass);
    object.PropertiesChecked = cls && cls->Checked;
  } else {
    object.PropertiesChecked = platform::ClassRegistry::Global().FindClass(newClass) != nullptr;
  }
  for (auto& [pos, p] : pending_) {
    for (auto& t : p.translated) object.Translated.push_back(std::move(t));
    for (auto& d : p.dropped) object.Dropped.push_back(std::move(d));
  }
  pending_.clear();
  report_.AddConvertedObject(std::move(object));
}

void TReportRecorder::ObjectWithoutCounterpart(int line, const std::string& enclosing, const std::string& name,
                                               const std::string& className, const std::string& advice) {
  TObjectWithoutCounterpart object;
  object.File = file_;
  object.Place.Line = line;
  object.Place.Path = enclosing + name;
  object.Place.Binary = binary_;
  object.Name = name;
  object.ClassName = className;
  object.Advice = advice;
  report_.AddObjectWithoutCounterpart(std::move(object));
}

void TReportRecorder::ObjectNotParsed(const TUnconvertedObject& object) {
  pending_.clear();
  TTextPlace at = TLineCounter(text_ ? std::string_view(*text_) : std::string_view()).PlaceOf(object.StopOffset);
  report_.AddUnparsedObject({file_, at.Line, at.Column, object.ObjectName, object.ClassName,
                             at.Position, object.Reason});
}

void TReportRecorder::UnitRead(const std::string& file, const std::string& text) {
  report_.AddManualWork(file, ScanUnitForManualWork(text));
}

void TReportRecorder::UnitConverted(const std::string& file, int identifiersRenamed, int inComments,
                                    bool usesExtended) {
  report_.AddUnitChange({file, identifiersRenamed, usesExtended, inComments});
}

}  // namespace migwiz::replace
