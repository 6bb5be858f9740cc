// Fills the run report while the replacer converts: told of each property
// the form parser processes, of each object converted or left unparsed, and
// of each unit read and changed. Properties are held until their object's
// parse is over: only a parse that succeeds is recorded.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "grammar/FormParser.h"
#include "profile/MigrationProfile.h"
#include "replace/RunReport.h"
#include "replace/UnconvertedObject.h"

namespace migwiz::replace {

class TReportRecorder : public grammar::IPropertyObserver {
 public:
  explicit TReportRecorder(TRunReport& report);
  ~TReportRecorder() override;

  // A form about to be converted: its text as read (UTF-8), which must stay
  // as it is until the form's objects are told of.
  void BeginForm(const std::string& file, const std::string& text, bool binary);
  // The object whose header is on this 1-based line of the form text was
  // rebuilt by the form parser; enclosing is the path of the objects around
  // it, each name followed by '.' ("DM.Panel1.").
  // connection: how its DatabaseName was resolved.
  void ObjectConverted(int line, const std::string& enclosing, const std::string& name,
                       const std::string& oldClass, const std::string& newClass,
                       const TConnectionChoice& connection);
  // An object of a BDE class with no counterpart, left as it was.
  void ObjectWithoutCounterpart(int line, const std::string& enclosing, const std::string& name,
                                const std::string& className, const std::string& advice);
  // The run's profile, by which a converted object's class (a descendant's
  // too) tells what the object is; null: the built-in classes.
  void UseProfile(const profile::TMigrationProfile* profile) { profile_ = profile; }
  // Its parse failed: the body stays as it was.
  void ObjectNotParsed(const TUnconvertedObject& object);

  // A unit source as read, and its conversion.
  void UnitRead(const std::string& file, const std::string& text);
  // identifiersRenamed counts those in code, inComments those in comments.
  void UnitConverted(const std::string& file, int identifiersRenamed, int inComments, bool usesExtended);

  void PropertyProcessed(const std::string& typeName, const std::string& propName,
                         const std::string& propValue, int valuePos,
                         const std::vector<grammar::TFormParser::StoredProperty>& stored) override;
  void ParseStarted() override { pending_.clear(); }

 private:
  struct Pending {
    std::vector<TTranslatedProperty> translated;
    std::vector<TDroppedProperty> dropped;
  };

  TRunReport& report_;
  std::string file_;
  bool binary_ = false;
  const std::string* text_ = nullptr;
  std::map<int, Pending> pending_;  // by value position: a later telling replaces an earlier
  const profile::TMigrationProfile* profile_ = nullptr;
};

}  // namespace migwiz::replace
