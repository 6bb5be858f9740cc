#include "replace/ManualWorkScan.h"

#include <memory>

#include "grammar/TranslationRules.h"
#include "replace/PasParser.h"
#include "replace/TextPlace.h"
#include "replace/TokenWindow.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using support::SameText;
using support::StartsWithText;

namespace {

struct Token {
  int code;
  std::string_view text;  // into the unit's text
  size_t offset;
};

// The unit's lexemes without blanks and comments, as they are asked for.
TTokenWindow<Token> Tokens(const std::string& text) {
  auto parser = std::make_shared<TPasParser>(platform::TBorrowedText{text});
  return TTokenWindow<Token>([parser](Token& t) {
    for (int code; (code = parser->GetNext(t.text)) != platform::lcEnd;) {
      if (code == platform::lcBlank || code == platform::lcComment) continue;
      t.code = code;
      t.offset = static_cast<size_t>(parser->PrevPos());
      return true;
    }
    return false;
  });
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
bool IsBdeApiName(std::string_view ident, bool called) {
  if (StartsWithText(ident, "hDBI")) return true;
  if (!StartsWithText(ident, "Dbi") || ident.size() <= 3 || !IsLetter(ident[3])) return false;
  if (called || StartsWithText(ident, "DBIERR") || SameText(ident, "DBIResult")) return true;
  return ident[3] >= 'A' && ident[3] <= 'Z';
}

bool IsBdeClass(std::string_view ident) {
  return grammar::BdeKindOf(ident) != grammar::TBdeKind::bkNone;
}

bool IsBdeOnlyProperty(std::string_view ident) {
  for (const char* name : kBdeOnlyProperties)
    if (SameText(ident, name)) return true;
  return false;
}

bool IsBdeUnit(std::string_view ident) {
  for (const char* unit : {"BDE", "DbiProcs", "DbiTypes", "DbiErrs"})
    if (SameText(ident, unit)) return true;
  return false;
}

bool IsSessionName(std::string_view ident) {
  for (const char* name : {"Session", "Sessions", "TSession", "TSessionList"})
    if (SameText(ident, name)) return true;
  return false;
}

// 'PASSWORD=x' becomes 'PASSWORD=***'; other parameters are shown as written.
std::string MaskedParameter(std::string_view literal) {
  size_t eq = literal.find('=');
  if (eq == std::string::npos || !IsSecretParameter(literal.substr(0, eq))) return std::string(literal);
  return std::string(literal.substr(0, eq + 1)) + "***'";
}

class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text), tokens_(Tokens(text)), lines_(text) {}

  std::vector<TManualWorkItem> Run() {
    FindDatabaseNames();
    bool inUses = false;
    for (i_ = 0; const Token* at = tokens_.At(i_); ++i_) {
      const Token t = *at;  // reading ahead may move the tokens kept
      tokens_.DropBefore(i_ >= 2 ? i_ - 2 : 0);
      if (t.code == lcUses) inUses = true;
      else if (t.code == lcSemicolon) inUses = false;
      if (t.code != platform::lcIdent) continue;
      if (inUses) {
        // Bde.DBTables names the unit DBTables in the scope Bde.
        if (IsBdeUnit(t.text) && !After(-1, '.') && !After(1, '.')) Add(TManualWorkKind::mwBdeUnit, t, std::string(t.text));
        continue;
      }
      const bool assigned = After(1, ':') && After(2, '=');
      if (IsBdeApiName(t.text, After(1, '('))) Add(TManualWorkKind::mwBdeApi, t, std::string(t.text));
      else if (IsSessionName(t.text)) Add(TManualWorkKind::mwSession, t, std::string(t.text));
      else if (IsIdent(t, "Params")) CheckParameter(t);
      else if (IsIdent(t, "DatabaseName") && assigned) Add(TManualWorkKind::mwDatabaseName, t, "DatabaseName :=");
      else if (IsBdeOnlyProperty(t.text) && assigned) Add(TManualWorkKind::mwBdeProperty, t, std::string(t.text) + " :=");
      else if (IsBdeClass(t.text) && After(1, '.') && IsMember(2, "Create"))
        Add(TManualWorkKind::mwBdeCreate, t, std::string(t.text) + ".Create");
      else if (IsIdent(t, "BatchMove") && After(-1, '.') && After(1, '('))
        Add(TManualWorkKind::mwBatchMove, t, "BatchMove(");
    }
    return std::move(items_);
  }

 private:
  // The token delta tokens away from the current one, or nullptr.
  const Token* Near(long delta) {
    const long at = static_cast<long>(i_) + delta;
    return at < 0 ? nullptr : tokens_.At(static_cast<size_t>(at));
  }

  // The symbol c stands delta tokens away from the current one.
  bool After(long delta, char c) {
    const Token* t = Near(delta);
    return t && IsSymbol(*t, c);
  }

  bool IsMember(long delta, const char* name) {
    const Token* t = Near(delta);
    return t && IsIdent(*t, name);
  }

  // The names the unit declares as TDatabase ("Database1, Database2: TDatabase"):
  // the names listed with commas right before ": TDatabase".
  void FindDatabaseNames() {
    TTokenWindow<Token> tokens = Tokens(text_);
    std::vector<std::string_view> list;
    bool afterComma = false;
    for (size_t i = 0; const Token* at = tokens.At(i); ++i) {
      const Token t = *at;
      tokens.DropBefore(i);
      if (t.code == platform::lcIdent) {
        if (!afterComma) list.clear();
        list.push_back(t.text);
        afterComma = false;
      } else if (IsSymbol(t, ',') && !list.empty() && !afterComma) {
        afterComma = true;
      } else {
        const Token* next = tokens.At(i + 1);
        if (IsSymbol(t, ':') && !list.empty() && !afterComma && next && IsIdent(*next, "TDatabase"))
          databases_.insert(databases_.end(), list.begin(), list.end());
        list.clear();
        afterComma = false;
      }
    }
  }

  // Params of a name declared as TDatabase (Database1.Params).
  bool OnDatabase() {
    const Token* owner = Near(-2);
    if (!After(-1, '.') || !owner || owner->code != platform::lcIdent) return false;
    for (std::string_view name : databases_)
      if (SameText(name, owner->text)) return true;
    return false;
  }

  // Params.Values['KEY'] and Params.Add('KEY=value') with a literal, on any
  // object; every other use of a database's Params list (Clear, Append,
  // Assign, Text, Strings[i] := ...).
  void CheckParameter(const Token& params) {
    const Token* memberAt = Near(2);
    if (!After(1, '.') || !memberAt) return;
    const Token member = *memberAt;
    if (const Token* literal = Near(4)) {
      bool values = IsIdent(member, "Values") && After(3, '[');
      bool add = IsIdent(member, "Add") && After(3, '(');
      if ((values || add) && literal->code == platform::lcString) {
        Add(TManualWorkKind::mwBdeParameter, params,
            "Params." + std::string(member.text) + (values ? "[" : "(") + MaskedParameter(literal->text) +
                (values ? "]" : ")"));
        return;
      }
    }
    if (member.code == platform::lcIdent && OnDatabase())
      Add(TManualWorkKind::mwDatabaseParams, params, "Params." + std::string(member.text));
  }

  void Add(TManualWorkKind kind, const Token& at, std::string text) {
    TTextPlace place = lines_.PlaceOf(at.offset);
    items_.push_back({kind, place.Line, place.Column, std::move(text)});
  }

  const std::string& text_;
  TTokenWindow<Token> tokens_;
  TLineCounter lines_;
  size_t i_ = 0;
  std::vector<std::string_view> databases_;
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
