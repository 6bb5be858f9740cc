// What the conversion knows of the BDE classes, as data: what each class is
// (a connection, a query dataset, ...), the properties renamed by what an
// object is rather than by one class name, and the classes that have no
// counterpart among the target classes, with what to do instead.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migwiz::grammar {

enum class TBdeKind {
  bkNone,        // not a BDE class
  bkConnection,  // TDatabase
  bkQuery,       // query datasets: TQuery, TwwQuery
  bkTable,       // table datasets: TTable, TwwTable
  bkStoredProc,  // TStoredProc
  bkUpdateSQL,
  bkBatchMove,
  bkDataSource,  // TwwDataSource
  bkSession,     // TSession: no counterpart
  bkOther,       // a BDE class with no counterpart (TNestedTable)
};

struct TBdeClass {
  const char* Name;
  TBdeKind Kind;
  // Without a counterpart: what to do by hand (empty for classes the
  // profile converts).
  const char* Advice;
};

// The kind a profile names ("query"); bkOther for a name not listed here.
TBdeKind BdeKindNamed(std::string_view kind);

// Every BDE class the conversion knows, letter case ignored: the built-in
// profile's pairs and classes without counterpart.
const std::vector<TBdeClass>& BdeClasses();
TBdeKind BdeKindOf(std::string_view className);
// The entry of a class, null when it is no BDE class.
const TBdeClass* FindBdeClass(std::string_view className);
// A dataset that reads through a connection (its DatabaseName names one).
bool IsConnectedDataset(TBdeKind kind);

// A property stored under another name (or its own name, to keep it
// whatever the target class publishes) on the objects of the given kinds.
struct TPropertyRename {
  const char* Property;
  std::vector<TBdeKind> Kinds;
  const char* NewName;
};
const std::vector<TPropertyRename>& PropertyRenames();
// The rename for a property of an object of this kind; null when none.
const TPropertyRename* FindPropertyRename(std::string_view property, TBdeKind kind);

}  // namespace migwiz::grammar
