#include "grammar/TarnFormParser.h"

#include "grammar/ParamList.h"
#include "grammar/TranslationRules.h"

namespace migwiz::grammar {

void TTarnFormParser::ProcessProperty(const std::string& propName, const std::string& propValue) {
  const bool isDatabase = BdeKindOf(TFormParserUtils::GetTypeName(FormState())) == TBdeKind::bkConnection;
  if (isDatabase && propName == "Params.Strings") {
    TParamList params = ReadParamList(propValue);
    std::string database = ParamValue(params, "DATABASE NAME");
    if (!database.empty()) StoreProperty("Database", EncodeStringValue(database, params.style));
  } else if (isDatabase && propName == "TransIsolation") {
    static const std::pair<const char*, const char*> kLevels[] = {
        {"tiDirtyRead", "ilReadUnCommitted"},
        {"tiReadCommitted", "ilReadCommitted"},
        {"tiRepeatableRead", "ilRepeatableRead"}};
    for (const auto& [bde, tarn] : kLevels)
      if (propValue == bde) StoreProperty("IsolationLevel", tarn);
    return;
  }
  TFormParser::ProcessProperty(propName, propValue);
}

}  // namespace migwiz::grammar
