#include "replace/ManualWorkScan.h"

#include "replace/PasParser.h"
#include "replace/TextPlace.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using support::SameText;
using support::StartsWithText;

namespace {

struct Token {
  int code;
  std::string text;
  size_t offset;
};

// The unit's lexemes without blanks and comments.
std::vector<Token> Tokens(const std::string& text) {
  std::vector<Token> tokens;
  TPasParser parser(text);
  std::string lexeme;
  for (int code; (code = parser.GetNext(lexeme)) != platform::lcEnd;)
    if (code != platform::lcBlank && code != platform::lcComment)
      tokens.push_back({code, lexeme, static_cast<size_t>(parser.PrevPos())});
  return tokens;
}

bool IsSymbol(const Token& t, char c) { return t.code > 0 && t.text.size() == 1 && t.text[0] == c; }

bool IsIdent(const Token& t, const char* name) {
  return t.code == platform::lcIdent && SameText(t.text, name);
}

// DbiOpenTable, DBIResult, hDBIDb: the API's functions, types and handles.
bool IsBdeApiName(const std::string& ident) {
  if (StartsWithText(ident, "hDBI")) return true;
  return StartsWithText(ident, "Dbi") && ident.size() > 3 && ident[3] >= 'A' && ident[3] <= 'Z';
}

bool IsBdeUnit(const std::string& ident) {
  for (const char* unit : {"BDE", "DbiProcs", "DbiTypes", "DbiErrs"})
    if (SameText(ident, unit)) return true;
  return false;
}

bool IsSessionName(const std::string& ident) {
  for (const char* name : {"Session", "Sessions", "TSession", "TSessionList"})
    if (SameText(ident, name)) return true;
  return false;
}

// 'PASSWORD=x' becomes 'PASSWORD=***'; other parameters are shown as written.
std::string MaskedParameter(const std::string& literal) {
  size_t eq = literal.find('=');
  if (eq == std::string::npos || !IsSecretParameter(literal.substr(0, eq))) return literal;
  return literal.substr(0, eq + 1) + "***'";
}

class Scanner {
 public:
  explicit Scanner(const std::string& text) : tokens_(Tokens(text)), lines_(text) {}

  std::vector<TManualWorkItem> Run() {
    bool inUses = false;
    for (i_ = 0; i_ < tokens_.size(); ++i_) {
      const Token& t = tokens_[i_];
      if (t.code == lcUses) inUses = true;
      else if (t.code == lcSemicolon) inUses = false;
      if (t.code != platform::lcIdent) continue;
      if (inUses) {
        if (IsBdeUnit(t.text) && !After(-1, '.')) Add(TManualWorkKind::mwBdeUnit, t, t.text);
        continue;
      }
      if (IsBdeApiName(t.text)) Add(TManualWorkKind::mwBdeApi, t, t.text);
      else if (IsSessionName(t.text)) Add(TManualWorkKind::mwSession, t, t.text);
      else if (IsIdent(t, "Params")) CheckParameter(t);
      else if (IsIdent(t, "DatabaseName") && After(1, ':') && After(2, '=')) Add(TManualWorkKind::mwDatabaseName, t, "DatabaseName :=");
    }
    return std::move(items_);
  }

 private:
  // The symbol c stands delta tokens away from the current one.
  bool After(long delta, char c) const {
    long at = static_cast<long>(i_) + delta;
    return at >= 0 && at < static_cast<long>(tokens_.size()) && IsSymbol(tokens_[at], c);
  }

  // Params.Values['KEY'] and Params.Add('KEY=value') with a literal.
  void CheckParameter(const Token& params) {
    if (!After(1, '.') || i_ + 4 >= tokens_.size()) return;
    const Token& member = tokens_[i_ + 2];
    const Token& literal = tokens_[i_ + 4];
    bool values = IsIdent(member, "Values") && After(3, '[');
    bool add = IsIdent(member, "Add") && After(3, '(');
    if ((values || add) && literal.code == platform::lcString)
      Add(TManualWorkKind::mwBdeParameter, params,
          "Params." + member.text + (values ? "[" : "(") + MaskedParameter(literal.text) + (values ? "]" : ")"));
  }

  void Add(TManualWorkKind kind, const Token& at, std::string text) {
    TTextPlace place = lines_.PlaceOf(at.offset);
    items_.push_back({kind, place.Line, place.Column, std::move(text)});
  }

  std::vector<Token> tokens_;
  TLineCounter lines_;
  size_t i_ = 0;
  std::vector<TManualWorkItem> items_;
};

}  // namespace

bool IsSecretParameter(std::string_view name) {
  std::string upper = support::UpperCase(name);
  return upper.find("PASSWORD") != std::string::npos || upper.find("PWD") != std::string::npos;
}

const char* ManualWorkKindName(TManualWorkKind kind) {
  switch (kind) {
    case TManualWorkKind::mwBdeApi: return "bde-api";
    case TManualWorkKind::mwBdeUnit: return "bde-unit";
    case TManualWorkKind::mwSession: return "session";
    case TManualWorkKind::mwBdeParameter: return "bde-parameter";
    case TManualWorkKind::mwDatabaseName: return "database-name";
  }
  return "?";
}

std::vector<TManualWorkItem> ScanUnitForManualWork(const std::string& text) {
  return Scanner(text).Run();
}

}  // namespace migwiz::replace
