// Rewriting one unit source: the product's units behind the old unit in
// every uses clause, new class names for old ones (in comments too), and
// the unit's form file found through its resource directive.

#include "platform/CharClass.h"
#include "platform/StandaloneIDE.h"
#include "platform/Utf8.h"
#include "replace/PasParser.h"
#include "replace/Replacer.h"
#include "resources/RExpertRes.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;
namespace Res = RExpertRes;

namespace {

bool IsLetterAt(const std::string& s, size_t pos) {
  if (pos >= s.size()) return false;
  size_t i = pos;
  int32_t c = platform::NextUtf8(s, i);
  return c >= 0 && platform::IsLetter(static_cast<char32_t>(c));
}

// The letters that end just before pos (a run of whole characters).
size_t LettersBefore(const std::string& s, size_t pos) {
  size_t i = pos;
  while (i > 0) {
    size_t at = i;
    int32_t c = platform::PrevUtf8(s, at);
    if (c < 0 || !platform::IsLetter(static_cast<char32_t>(c))) break;
    i = at;
  }
  return i;
}

// The unit names of the text added behind the old unit (", A, B").
std::vector<std::string> UnitNames(const std::string& usesList) {
  std::vector<std::string> names;
  TPasParser parser(usesList);
  std::string lexeme;
  for (int code; (code = parser.GetNext(lexeme)) != platform::lcEnd;)
    if (code == platform::lcIdent) names.push_back(lexeme);
  return names;
}

// For each uses clause of the text, in order, whether it already names one
// of the units (letter case ignored): such a clause was converted before.
std::vector<bool> ClausesNaming(const std::string& text, const std::vector<std::string>& units) {
  std::vector<bool> naming;
  TPasParser parser(text);
  bool inUses = false;
  std::string lexeme;
  for (int code; (code = parser.GetNext(lexeme)) != platform::lcEnd;) {
    if (code == lcUses) {
      inUses = true;
      naming.push_back(false);
    } else if (code == lcSemicolon) {
      inUses = false;
    } else if (inUses && code == platform::lcIdent) {
      for (const std::string& unit : units)
        if (SameText(lexeme, unit)) naming.back() = true;
    }
  }
  return naming;
}

}  // namespace

void TComponentReplacer::ProcessUnit(TFileConversion& c, const std::string& text,
                                     TEncoding encoding) const {
  // A clause that already names a product unit gets none added again, so a
  // second run over converted sources changes nothing.
  const std::vector<bool> converted = ClausesNaming(text, UnitNames(newUsesList_));
  TPasParser parser(text);
  int changes = 0;
  int usesExtended = 0;
  int inComments = 0;  // class names renamed inside comments
  bool unchanged = true;
  bool inUses = false;
  size_t clause = 0;
  std::string output;
  std::string lexeme, newClass;
  for (int code; (code = parser.GetNext(lexeme)) != platform::lcEnd;) {
    const std::string asRead = lexeme;
    if (code == platform::lcComment) {
      const int before = changes;
      ProcessComment(c, lexeme, changes);
      inComments += changes - before;
    } else if (code == platform::lcIdent) {
      if (inUses) c.UsedUnits.push_back(lexeme);  // which forms this unit's forms reach
      if (inUses && UpperCase(lexeme) == oldUsesUnit_) {
        if (converted[clause - 1]) {
          output += lexeme;
          continue;
        }
        lexeme += newUsesList_;
        ++changes;
        ++usesExtended;
      } else if (FindPair(lexeme, newClass)) {
        lexeme = ReplaceClassName(lexeme, newClass);
        ++changes;
      }
    } else if (code == lcUses) {
      inUses = true;
      ++clause;
    } else if (code == lcSemicolon) {
      inUses = false;
    }
    if (lexeme != asRead) unchanged = false;
    output += lexeme;
  }
  c.Changes = changes;
  c.Noted = true;
  if (SameText(ExtractFileExt(c.File), ".dpr"))
    c.ProjectUnits = platform::DprUnitFiles(text, ExtractFileDir(c.File), *env_.fs);
  if (unchanged) return;
  c.Recorder.UnitConverted(c.File, changes - usesExtended - inComments, inComments, usesExtended > 0);
  // The mark is written back as it was read, so the IDE reads the copy in
  // the same encoding.
  c.Output = ByteOrderMark(encoding) + EncodeText(output, encoding);
  c.Changed = true;
}

void TComponentReplacer::ProcessComment(TFileConversion& c, std::string& comment,
                                        int& changes) const {
  const std::string& fileName = c.File;
  const std::string upper = UpperCase(comment);
  if (StartsWithText(upper, "{$R ") || StartsWithText(upper, "{$RESOURCE ")) {
    size_t dot = upper.rfind('.');
    if (dot == std::string::npos || upper.size() - dot - 1 < 3) return;
    const std::string ext = upper.substr(dot, 4);
    if (ext != ".DFM" && ext != ".NFM") return;
    if (IsLetterAt(upper, dot + 4)) return;
    std::string formFile;
    if (dot > 0 && upper[dot - 1] == '*') {
      if (dot < 2 || (upper[dot - 2] != ' ' && upper[dot - 2] != '\t')) return;
      formFile = ChangeFileExt(fileName, ext);
    } else {
      size_t start = LettersBefore(comment, dot);
      if (start == dot) return;
      formFile = ConcatPath(ExtractFileDir(fileName),
                            comment.substr(start, dot - start) + comment.substr(dot, 4));
    }
    c.FormFiles.push_back(formFile);  // looked up on disk when the unit is taken into the run
    return;
  }
  TPasParser parser(comment.substr(1));
  std::string rebuilt = comment.substr(0, 1);
  std::string lexeme, newClass;
  for (int code; (code = parser.GetNext(lexeme)) != platform::lcEnd;) {
    if (code == platform::lcIdent && FindPair(lexeme, newClass)) {
      lexeme = newClass;
      ++changes;
    }
    rebuilt += lexeme;
  }
  comment = rebuilt;
}

}  // namespace migwiz::replace
