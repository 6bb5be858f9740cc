#include "replace/ManualWorkScan.h"

#include "grammar/TranslationRules.h"
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

// BDE-only properties: setting one in code has no counterpart.
// DatabaseName keeps a kind of its own.
const char* const kBdeOnlyProperties[] = {"RequestLive", "AliasName", "SessionName", "DriverName",
                                          "TransIsolation"};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// DbiOpenTable, DBIResult, hDBIDb: the API's functions, types and handles,
// in any letter case. A name that only begins with the letters (DBImage1)
// counts when it is called or written as the API writes its names.
bool IsBdeApiName(const std::string& ident, bool called) {
  if (StartsWithText(ident, "hDBI")) return true;
  if (!StartsWithText(ident, "Dbi") || ident.size() <= 3 || !IsLetter(ident[3])) return false;
  if (called || StartsWithText(ident, "DBIERR") || SameText(ident, "DBIResult")) return true;
  return ident[3] >= 'A' && ident[3] <= 'Z';
}

bool IsBdeClass(const std::string& ident) {
  return grammar::BdeKindOf(ident) != grammar::TBdeKind::bkNone;
}

bool IsBdeOnlyProperty(const std::string& ident) {
  for (const char* name : kBdeOnlyProperties)
    if (SameText(ident, name)) return true;
  return false;
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
    FindDatabaseNames();
    bool inUses = false;
    for (i_ = 0; i_ < tokens_.size(); ++i_) {
      const Token& t = tokens_[i_];
      if (t.code == lcUses) inUses = true;
      else if (t.code == lcSemicolon) inUses = false;
      if (t.code != platform::lcIdent) continue;
      if (inUses) {
        // Bde.DBTables names the unit DBTables in the scope Bde.
        if (IsBdeUnit(t.text) && !After(-1, '.') && !After(1, '.')) Add(TManualWorkKind::mwBdeUnit, t, t.text);
        continue;
      }
      const bool assigned = After(1, ':') && After(2, '=');
      if (IsBdeApiName(t.text, After(1, '('))) Add(TManualWorkKind::mwBdeApi, t, t.text);
      else if (IsSessionName(t.text)) Add(TManualWorkKind::mwSession, t, t.text);
      else if (IsIdent(t, "Params")) CheckParameter(t);
      else if (IsIdent(t, "DatabaseName") && assigned) Add(TManualWorkKind::mwDatabaseName, t, "DatabaseName :=");
      else if (IsBdeOnlyProperty(t.text) && assigned) Add(TManualWorkKind::mwBdeProperty, t, t.text + " :=");
      else if (IsBdeClass(t.text) && After(1, '.') && IsMember(2, "Create"))
        Add(TManualWorkKind::mwBdeCreate, t, t.text + ".Create");
      else if (IsIdent(t, "BatchMove") && After(-1, '.') && After(1, '('))
        Add(TManualWorkKind::mwBatchMove, t, "BatchMove(");
    }
    return std::move(items_);
  }

 private:
  // The symbol c stands delta tokens away from the current one.
  bool After(long delta, char c) const {
    long at = static_cast<long>(i_) + delta;
    return at >= 0 && at < static_cast<long>(tokens_.size()) && IsSymbol(tokens_[at], c);
  }

  bool IsMember(long delta, const char* name) const {
    long at = static_cast<long>(i_) + delta;
    return at >= 0 && at < static_cast<long>(tokens_.size()) && IsIdent(tokens_[at], name);
  }

  // The names the unit declares as TDatabase ("Database1, Database2: TDatabase").
  void FindDatabaseNames() {
    for (size_t i = 0; i + 1 < tokens_.size(); ++i) {
      if (!IsSymbol(tokens_[i], ':') || !IsIdent(tokens_[i + 1], "TDatabase")) continue;
      for (size_t j = i; j > 0; j -= 2) {
        if (tokens_[j - 1].code != platform::lcIdent) break;
        databases_.push_back(tokens_[j - 1].text);
        if (j < 2 || !IsSymbol(tokens_[j - 2], ',')) break;
      }
    }
  }

  // Params of a name declared as TDatabase (Database1.Params).
  bool OnDatabase() const {
    if (!After(-1, '.') || i_ < 2 || tokens_[i_ - 2].code != platform::lcIdent) return false;
    for (const std::string& name : databases_)
      if (SameText(name, tokens_[i_ - 2].text)) return true;
    return false;
  }

  // Params.Values['KEY'] and Params.Add('KEY=value') with a literal, on any
  // object; every other use of a database's Params list (Clear, Append,
  // Assign, Text, Strings[i] := ...).
  void CheckParameter(const Token& params) {
    if (!After(1, '.') || i_ + 2 >= tokens_.size()) return;
    const Token& member = tokens_[i_ + 2];
    if (i_ + 4 < tokens_.size()) {
      const Token& literal = tokens_[i_ + 4];
      bool values = IsIdent(member, "Values") && After(3, '[');
      bool add = IsIdent(member, "Add") && After(3, '(');
      if ((values || add) && literal.code == platform::lcString) {
        Add(TManualWorkKind::mwBdeParameter, params,
            "Params." + member.text + (values ? "[" : "(") + MaskedParameter(literal.text) + (values ? "]" : ")"));
        return;
      }
    }
    if (member.code == platform::lcIdent && OnDatabase())
      Add(TManualWorkKind::mwDatabaseParams, params, "Params." + member.text);
  }

  void Add(TManualWorkKind kind, const Token& at, std::string text) {
    TTextPlace place = lines_.PlaceOf(at.offset);
    items_.push_back({kind, place.Line, place.Column, std::move(text)});
  }

  std::vector<Token> tokens_;
  TLineCounter lines_;
  size_t i_ = 0;
  std::vector<std::string> databases_;
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
    case TManualWorkKind::mwBdeProperty: return "bde-property";
    case TManualWorkKind::mwBdeCreate: return "bde-create";
    case TManualWorkKind::mwBatchMove: return "batch-move";
    case TManualWorkKind::mwDatabaseParams: return "database-params";
  }
  return "?";
}

std::vector<TManualWorkItem> ScanUnitForManualWork(const std::string& text) {
  return Scanner(text).Run();
}

}  // namespace migwiz::replace
