#include "replace/DescendantScan.h"

#include <algorithm>
#include <memory>

#include "replace/PasParser.h"
#include "replace/TokenWindow.h"

namespace migwiz::replace {

namespace {

struct TToken {
  int Code = 0;
  std::string_view Text;  // into the unit's text
  int Line = 0;
};

// The lexemes that carry meaning (no blanks or comments), with their lines,
// read as they are asked for; a token past the end is empty (code 0).
class TTokens {
 public:
  explicit TTokens(const std::string& text)
      : window_([text = std::string_view(text), parser = std::make_shared<TPasParser>(platform::TBorrowedText{text}),
                 line = 1, counted = size_t{0}](TToken& t) mutable {
          for (int code; (code = parser->GetNext(t.Text)) != platform::lcEnd;) {
            if (code == platform::lcBlank || code == platform::lcComment) continue;
            const size_t at = static_cast<size_t>(parser->PrevPos());
            line += static_cast<int>(std::count(text.begin() + static_cast<long>(counted), text.begin() + static_cast<long>(at), '\n'));
            counted = at;
            t.Code = code;
            t.Line = line;
            return true;
          }
          return false;
        }) {}

  bool Has(size_t i) { return window_.At(i) != nullptr; }
  TToken operator[](size_t i) {
    const TToken* t = window_.At(i);
    return t ? *t : TToken{};
  }
  void DropBefore(size_t i) { window_.DropBefore(i); }

 private:
  TTokenWindow<TToken> window_;
};

bool IsWord(const TToken& t, const char* word) {
  return t.Code == platform::lcIdent && profile::SameName(t.Text, word);
}

bool IsSymbol(const TToken& t, const char* symbol) { return t.Code > 0 && t.Text == symbol; }

bool IsVisibility(const TToken& t) {
  return IsWord(t, "private") || IsWord(t, "protected") || IsWord(t, "public") ||
         IsWord(t, "published") || IsWord(t, "strict") || IsWord(t, "automated");
}

// The published properties of the class body from i on, to its "end"; i
// ends behind it.
std::vector<std::string> PublishedProperties(TTokens& t, size_t& i) {
  std::vector<std::string> published;
  bool inPublished = false;
  int depth = 0;  // records and nested classes
  for (; t.Has(i); ++i) {
    t.DropBefore(i);
    if (t[i].Code == lcEndKeyword) {
      if (depth-- == 0) {
        ++i;
        break;
      }
    } else if (IsWord(t[i], "record") || (IsWord(t[i], "class") && t.Has(i + 1) && !IsSymbol(t[i + 1], ";") &&
                                          (IsSymbol(t[i + 1], "(") || IsVisibility(t[i + 1])))) {
      ++depth;
    } else if (depth == 0 && IsVisibility(t[i])) {
      inPublished = IsWord(t[i], "published");
    } else if (depth == 0 && inPublished && IsWord(t[i], "property") && t.Has(i + 1) &&
               t[i + 1].Code == platform::lcIdent) {
      published.emplace_back(t[i + 1].Text);
    }
  }
  return published;
}

// Whether the text has "class" followed by "(" at all (in any letter case,
// blanks between): most units declare no class with an ancestor, and are
// not tokenized for it.
bool MayDeclareDescendants(const std::string& text) {
  for (size_t at = 0; (at = text.find_first_of("cC", at)) != std::string::npos; ++at) {
    if (at + 5 > text.size() || !profile::SameName(std::string_view(text).substr(at, 5), "class")) continue;
    size_t next = at + 5;
    while (next < text.size() && (text[next] == ' ' || text[next] == '\t' || text[next] == '\r' || text[next] == '\n'))
      ++next;
    if (next < text.size() && text[next] == '(') return true;
  }
  return false;
}

}  // namespace

std::vector<profile::TDescendant> ScanClassDeclarations(const std::string& text, const std::string& file) {
  std::vector<profile::TDescendant> found;
  if (!MayDeclareDescendants(text)) return found;
  TTokens t(text);
  for (size_t i = 0; t.Has(i + 4); ++i) {
    t.DropBefore(i);
    // Name = class(Ancestor   or   Name = class(Unit.Ancestor
    if (t[i].Code != platform::lcIdent || !IsSymbol(t[i + 1], "=") || !IsWord(t[i + 2], "class") ||
        !IsSymbol(t[i + 3], "("))
      continue;
    size_t j = i + 4;
    std::string ancestor;
    while (t.Has(j) && t[j].Code == platform::lcIdent) {
      ancestor = t[j].Text;
      if (t.Has(j + 1) && IsSymbol(t[j + 1], ".")) j += 2;
      else break;
    }
    if (ancestor.empty()) continue;
    profile::TDescendant d;
    d.Class = t[i].Text;
    d.Ancestor = ancestor;
    d.File = file;
    d.Line = t[i].Line;
    while (t.Has(j) && !IsSymbol(t[j], ")")) ++j;  // interfaces after the ancestor
    ++j;
    if (t.Has(j) && !IsSymbol(t[j], ";")) d.Published = PublishedProperties(t, j);
    found.push_back(std::move(d));
    i = j > i ? j - 1 : i;
  }
  return found;
}

profile::TProfilePtr WithDescendants(const profile::TProfilePtr& base,
                                     const std::vector<profile::TDescendant>& declarations,
                                     std::vector<profile::TDescendant>& found) {
  found.clear();
  auto p = std::make_shared<profile::TMigrationProfile>(*base);
  // A class may derive from one declared later: add until nothing changes.
  std::vector<bool> taken(declarations.size(), false);
  for (bool added = true; added;) {
    added = false;
    for (size_t k = 0; k < declarations.size(); ++k) {
      const profile::TDescendant& d = declarations[k];
      if (taken[k] || p->FindPair(d.Class) || p->FindDescendant(d.Class)) continue;
      if (!p->ConvertedAs(d.Ancestor)) continue;
      p->Descendants.push_back(d);
      taken[k] = added = true;
    }
  }
  for (size_t k = 0; k < declarations.size(); ++k)
    if (taken[k]) found.push_back(declarations[k]);
  if (found.empty()) return base;
  return p;
}

}  // namespace migwiz::replace
