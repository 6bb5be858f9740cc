// What in a unit source the run cannot convert and a user must rewrite by
// hand: calls of the BDE API, BDE units in uses clauses, sessions, BDE
// connection parameters set in code, BDE-only properties set in code,
// datasets made at run time and batch moves. Strings and comments are
// skipped by the unit tokenizer, so nothing is guessed from their text;
// names are matched in any letter case, as the compiler does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migwiz::replace {

enum class TManualWorkKind {
  mwBdeApi,         // DbiOpenTable(...), hDBIDb
  mwBdeUnit,        // BDE, DbiProcs, DbiTypes, DbiErrs in a uses clause
  mwSession,        // Session, Sessions, TSession, TSessionList
  mwBdeParameter,   // Params.Values['USER NAME'], Params.Add('SERVER NAME=...')
  mwDatabaseName,   // DatabaseName := ...
  mwBdeProperty,    // RequestLive := ..., AliasName := ... (BDE-only properties)
  mwBdeCreate,      // TQuery.Create(...): made at run time, without a connection
  mwBatchMove,      // Table1.BatchMove(...)
  mwDatabaseParams, // Database1.Params.Clear, .Append, .Text, .Strings[i] := ...
};

// The kind's name in the report ("bde-api", "bde-unit", ...).
const char* ManualWorkKindName(TManualWorkKind kind);

struct TManualWorkItem {
  TManualWorkKind Kind;
  int Line = 0;
  int Column = 0;
  std::string Text;  // what was found, as written (a parameter's value masked)
};

// A connection parameter whose value is a secret (PASSWORD, ODBC PWD...):
// its value is never shown.
bool IsSecretParameter(std::string_view name);

// The items of one unit text (UTF-8), in the order of the text.
std::vector<TManualWorkItem> ScanUnitForManualWork(const std::string& text);

}  // namespace migwiz::replace
