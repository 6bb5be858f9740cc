// The form parser with the Tarnbase connection's own property rules.
#pragma once

#include "grammar/FormParser.h"

namespace migwiz::grammar {

class TTarnFormParser : public TFormParser {
 public:
  using TFormParser::TFormParser;

 protected:
  void ProcessProperty(const std::string& propName, const std::string& propValue) override;
};

}  // namespace migwiz::grammar
