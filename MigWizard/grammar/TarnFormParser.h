// The form parser that translates properties by a migration profile's rules
// (the built-in profile unless another is given).
#pragma once

#include "grammar/FormParser.h"
#include "profile/MigrationProfile.h"

namespace migwiz::grammar {

class TTarnFormParser : public TFormParser {
 public:
  using TFormParser::TFormParser;

  // The profile must outlive the parses; null for the built-in one.
  void UseProfile(const profile::TMigrationProfile* profile) override { profile_ = profile; }

 protected:
  void ProcessProperty(const std::string& propName, const std::string& propValue) override;

 private:
  const profile::TMigrationProfile& Profile() const;
  void ApplyRule(const profile::TPropertyRule& rule, const std::string& propValue);
  bool Kept(const profile::TMigrationProfile& p, const std::string& typeName,
            const profile::TClassPair* pair, const std::string& propName) const;

  const profile::TMigrationProfile* profile_ = nullptr;
};

}  // namespace migwiz::grammar
