// The run's check of its own output: every converted form is read again as
// the IDE would read it. A text form must make a binary stream, and every
// object the run converted must hold only what its class publishes and,
// when it reads through a connection, a Connection or a place in the list
// of datasets left without one. Findings go into the report; none is
// expected, so each one is a fault of the conversion to look into.
#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/ClassRegistry.h"
#include "replace/FormLexer.h"
#include "replace/Replacer.h"
#include "replace/TokenWindow.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;

namespace {

// An object of the form read again: its path from the root (as the report
// names it), its class and the names of its own properties.
struct TReadObject {
  std::string Path;
  std::string ClassName;
  std::vector<std::string> Properties;
};

struct Token {
  int code;
  std::string_view text;  // into the form's text
};

// The lexemes of a form text other than blanks, read as they are asked for.
// Only the last ones read are kept: a large form is not held a second time
// as tokens.
struct TFormTokens {
  explicit TFormTokens(const std::string& text) : lexer(std::make_unique<TFormLexer>(platform::TBorrowedText{text})) {}
  std::unique_ptr<TFormLexer> lexer;
  bool operator()(Token& t) {
    for (int code; (code = lexer->Next(t.text)) != platform::lcEnd;) {
      if (code == platform::lcBlank) continue;
      t.code = code;
      return true;
    }
    return false;
  }
};
using TTokens = TTokenWindow<Token, TFormTokens>;

// In an object's place among the open ones: a collection item, or an object
// whose path is not asked for (its properties are passed over all the same).
constexpr long kItem = -1, kNotAsked = -2;

// The first object of each path in wanted, each path taken out of wanted as
// it is found. The walk over the text is the same whatever is asked for.
std::vector<TReadObject> ReadObjects(const std::string& text, std::unordered_set<std::string_view> wanted) {
  TTokens tokens{TFormTokens(text)};
  auto isSymbol = [&](size_t i, char c) {
    const Token* t = tokens.At(i);
    return t && t->code > 0 && t->text.size() == 1 && t->text[0] == c;
  };
  std::vector<TReadObject> objects;
  // The open objects (an index into objects, or kNotAsked) and collection
  // items (kItem), and the path of the names around the place reached: the
  // object and item names joined with '.', empty ones left out. pathEnds
  // holds the path's length before each name was added.
  std::vector<long> open;
  std::string path;
  std::vector<size_t> pathEnds;
  auto pushName = [&](std::string_view name) {
    pathEnds.push_back(path.size());
    if (name.empty()) return;
    if (!path.empty()) path += '.';
    path += name;
  };
  for (size_t i = 0; tokens.At(i); ++i) {
    tokens.DropBefore(i > 0 ? i - 1 : 0);
    const int code = tokens.At(i)->code;
    if (code == lcObject || code == lcInherited || code == lcInline) {
      if (!tokens.At(i + 3)) break;
      std::string_view name = tokens.At(i + 1)->text;
      size_t at = i + 2;
      std::string_view className;
      if (isSymbol(at, ':')) {
        className = tokens.At(at + 1)->text;
        at += 2;
      } else {  // an unnamed object: "object TPanel"
        className = name;
        name = {};
      }
      pushName(name);
      if (wanted.erase(path)) {
        open.push_back(static_cast<long>(objects.size()));
        objects.push_back({path, std::string(className), {}});
      } else {
        open.push_back(kNotAsked);
      }
      i = at - 1;
    } else if (code == lcItem) {
      open.push_back(kItem);
      pushName({});
    } else if (code == lcEndKeyword) {
      if (!open.empty()) open.pop_back();
      if (!pathEnds.empty()) {
        path.resize(pathEnds.back());
        pathEnds.pop_back();
      }
    } else if (code == platform::lcIdent && !open.empty() && open.back() != kItem) {
      // A property: a (dotted) name followed by '='.
      const bool afterEquals = i > 0 && isSymbol(i - 1, '=');
      size_t j = i;
      while (isSymbol(j + 1, '.') && tokens.At(j + 2) && tokens.At(j + 2)->code == platform::lcIdent) j += 2;
      if (isSymbol(j + 1, '=') && !afterEquals) {
        if (open.back() >= 0) {
          // The name's parts are still kept: only tokens before i were let go.
          std::string name(tokens.At(i)->text);
          for (size_t k = i + 2; k <= j; k += 2) {
            name += '.';
            name += tokens.At(k)->text;
          }
          objects[static_cast<size_t>(open.back())].Properties.push_back(std::move(name));
        }
        i = j + 1;
      }
    }
  }
  return objects;
}

bool IsFormFile(const std::string& file) {
  const std::string ext = UpperCase(ExtractFileExt(file));
  return ext == ".DFM" || ext == ".NFM";
}

}  // namespace

// Read back after the copy back (a dry run checks each converted copy as
// it is taken instead). It never fails the run: what cannot be read again
// is a finding like any other.
void TComponentReplacer::CheckOwnOutput() noexcept {
  report_.SetSelfChecked();
  if (dryRun_) return;  // each converted form was checked as it was taken (CheckConvertedCopy)
  try {
    std::map<std::string, std::vector<const TConvertedObject*>> byFile;
    for (const TConvertedObject& o : report_.ConvertedObjects()) byFile[o.File].push_back(&o);
    for (size_t i : changed_) {
      const std::string& file = unitList_[i];
      if (!IsFormFile(file)) continue;
      std::string bytes, err;
      const bool read = env_.fs->ReadFile(file, bytes, err);
      if (!read) {
        report_.AddSelfCheckFinding({file, "", "cannot be read again: " + err});
        continue;
      }
      CheckConvertedForm(file, std::move(bytes), byFile[file]);
    }
  } catch (const std::exception& e) {
    try {
      report_.AddSelfCheckFinding({"", "", std::string("the check stopped: ") + e.what()});
    } catch (...) {
    }
  }
}

void TComponentReplacer::CheckConvertedCopy(TFileConversion& c) noexcept {
  if (!IsFormFile(c.File)) return;
  try {
    std::vector<const TConvertedObject*> converted;
    for (const TConvertedObject& o : c.Report.ConvertedObjects()) converted.push_back(&o);
    // A binary copy was read as text for the report already: the same
    // bytes read the same way (a conversion that failed there stops its
    // file before this check).
    if (c.ShownText && platform::IsBinaryForm(c.Output)) {
      std::string().swap(c.Output);
      const std::string text = std::move(*c.ShownText);
      c.ShownText.reset();
      CheckReadObjects(c.File, text, converted);
      return;
    }
    CheckConvertedForm(c.File, std::move(c.Output), converted);
  } catch (const std::exception& e) {
    try {
      report_.AddSelfCheckFinding({c.File, "", std::string("the check stopped: ") + e.what()});
    } catch (...) {
    }
  }
}

// Whether an object may hold a property: by the run's profile (the class a
// descendant is converted as, and what the descendant publishes itself),
// else by the class registry; a class that is not checked holds anything.
bool TComponentReplacer::KeptByClass(const TConvertedObject& o, const std::string& property,
                                     const std::string& head) const {
  if (const profile::TClassPair* as = runProfile_ ? runProfile_->ConvertedAs(o.OldClass) : nullptr) {
    const profile::TTargetClass* cls = runProfile_->FindClass(as->NewClass);
    return !cls || !cls->Checked || cls->Publishes(head) || runProfile_->IsAlwaysKept(property) ||
           runProfile_->DescendantPublishes(o.OldClass, head);
  }
  const platform::TClassInfo* cls = platform::ClassRegistry::Global().FindClass(o.NewClass);
  return !cls || cls->HasPublishedProperty(head) || property == "Left" || property == "Top";
}

void TComponentReplacer::CheckConvertedForm(const std::string& file, std::string bytes,
                                            const std::vector<const TConvertedObject*>& converted) {
  TFormFileContents form;
  try {
    form = ReadFormFile(bytes);
    std::string().swap(bytes);
    if (!form.binary) platform::ObjectTextToBinaryUtf8(form.text, form.stringKinds);
  } catch (const std::exception& e) {
    report_.AddSelfCheckFinding({file, "", std::string("the converted form does not load: ") + e.what()});
    return;
  }
  CheckReadObjects(file, form.text, converted);
}

void TComponentReplacer::CheckReadObjects(const std::string& file, const std::string& text,
                                          const std::vector<const TConvertedObject*>& converted) {
  // Only the converted objects are looked at: only they are read.
  std::unordered_set<std::string_view> wanted;
  for (const TConvertedObject* o : converted) wanted.insert(o->Place.Path);
  const std::vector<TReadObject> objects = ReadObjects(text, std::move(wanted));
  std::unordered_map<std::string_view, const TReadObject*> byPath;
  for (const TReadObject& o : objects) byPath.emplace(o.Path, &o);
  for (const TConvertedObject* o : converted) {
    auto found = byPath.find(o->Place.Path);
    if (found == byPath.end() || !SameText(found->second->ClassName, o->NewClass)) {
      report_.AddSelfCheckFinding({file, o->Place.Path, "not found as a " + o->NewClass + " in the converted form"});
      continue;
    }
    const TReadObject& read = *found->second;
    bool hasConnection = false;
    for (const std::string& p : read.Properties) {
      const std::string head = p.substr(0, p.find('.'));
      hasConnection = hasConnection || SameText(head, "Connection");
      if (!KeptByClass(*o, p, head))
        report_.AddSelfCheckFinding({file, o->Place.Path, "keeps " + p + ", which " + o->NewClass + " does not publish"});
    }
    if (!o->NeedsConnection) continue;
    const bool linked = o->Connection.Reason == TLinkReason::lrLinked;
    if (linked && !hasConnection)
      report_.AddSelfCheckFinding({file, o->Place.Path, "was linked but holds no Connection"});
    if (!linked && hasConnection)
      report_.AddSelfCheckFinding({file, o->Place.Path, "holds a Connection the report lists as missing"});
  }
}

}  // namespace migwiz::replace
