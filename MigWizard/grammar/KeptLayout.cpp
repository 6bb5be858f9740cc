// The kept layout: a converted object is written as it was read, changed
// only on the lines whose meaning changed, so that a diff of the converted
// form shows just those.
#include <algorithm>

#include "grammar/ObjectLayout.h"
#include "support/Assert.h"
#include "support/StrUtils.h"

namespace migwiz::grammar {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDelim(char c) { return IsBlank(c) || c == '\r' || c == '\n'; }
bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

size_t LineStartOf(std::string_view text, size_t pos) {
  while (pos > 0 && text[pos - 1] != '\n' && text[pos - 1] != '\r') --pos;
  return pos;
}

// The blanks in front of pos on its line, when nothing else is; else blanks
// as wide as the text in front of it (for a property that does not begin
// its line).
std::string LeadOf(std::string_view text, size_t pos, bool& ownLine) {
  size_t start = LineStartOf(text, pos);
  std::string_view lead = text.substr(start, pos - start);
  ownLine = std::all_of(lead.begin(), lead.end(), IsBlank);
  return ownLine ? std::string(lead) : std::string(lead.size(), ' ');
}

// The line break right after pos (blanks before it skipped): its length and
// where it begins; 0 when the line goes on.
size_t BreakAfter(std::string_view text, size_t pos, size_t& breakStart) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  breakStart = pos;
  if (pos >= text.size()) return 0;
  if (text[pos] == '\r') return pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
  return text[pos] == '\n' ? 1 : 0;
}

// The class name of the header that begins at start: [typeStart, typeEnd).
void FindTypeName(std::string_view text, size_t start, size_t end, size_t& typeStart, size_t& typeEnd) {
  size_t colon = text.find(':', start);
  if (colon == std::string_view::npos || colon >= end) {
    typeStart = typeEnd = start;
    return;
  }
  typeStart = colon + 1;
  while (typeStart < end && IsDelim(text[typeStart])) ++typeStart;
  typeEnd = typeStart;
  while (typeEnd < end && IsNameChar(text[typeEnd])) ++typeEnd;
}

// One property as the IDE writes it: continuation lines that bring no
// indentation of their own stand two columns in from the property.
std::string PropertyText(const TLayoutProperty& p, const std::string& lead, const std::string& lineBreak) {
  std::string out = p.name + " = ";
  for (size_t i = 0; i < p.lines.size(); ++i) {
    std::string_view line = p.lines[i];
    if (i == 0) {
      while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    } else {
      out += lineBreak;
      if (line.empty() || !IsBlank(line.front())) out += lead + "  ";
    }
    out += line;
  }
  return out;
}

bool Unchanged(std::string_view text, const TPropertySource& s, const std::vector<TLayoutProperty>& props) {
  return s.count == 1 && props[s.first].name == s.name &&
         support::SameTextLines(props[s.first].lines, text.substr(s.valueStart, s.valueEnd - s.valueStart));
}

bool Renamed(std::string_view text, const TPropertySource& s, const std::vector<TLayoutProperty>& props) {
  return s.count == 1 && props[s.first].name != s.name &&
         support::SameTextLines(props[s.first].lines, text.substr(s.valueStart, s.valueEnd - s.valueStart));
}

class TKeptWriter {
 public:
  TKeptWriter(std::string_view text, size_t start, const std::vector<TLayoutProperty>& props,
              const std::string& lineBreak)
      : text_(text), props_(props), lineBreak_(lineBreak), cursor_(start) {}

  void CopyTo(size_t pos) {
    if (pos > cursor_) out_.append(text_.substr(cursor_, pos - cursor_));
    cursor_ = std::max(cursor_, pos);
  }
  void Replace(size_t from, size_t to, std::string_view with) {
    support::Assert(from >= cursor_ && to >= from, "FormParser", "object text rewritten out of order");
    CopyTo(from);
    out_.append(with);
    cursor_ = to;
  }

  // The text of one property as read, rewritten when it changed.
  void Rewrite(const TPropertySource& s) {
    if (Unchanged(text_, s, props_)) return;
    if (Renamed(text_, s, props_)) {
      Replace(s.nameStart, s.nameStart + s.name.size(), props_[s.first].name);
      return;
    }
    bool ownLine = false;
    const std::string lead = LeadOf(text_, s.nameStart, ownLine);
    size_t breakStart = 0;
    const size_t breakLength = BreakAfter(text_, s.valueEnd, breakStart);
    if (ownLine && breakLength > 0) {
      // Whole lines: each new property on a line of its own, none for a
      // dropped one.
      const std::string_view lineBreak = text_.substr(breakStart, breakLength);
      std::string lines;
      for (size_t i = s.first; i < s.first + s.count; ++i)
        lines += lead + PropertyText(props_[i], lead, lineBreak_) + std::string(lineBreak);
      Replace(LineStartOf(text_, s.nameStart), breakStart + breakLength, lines);
      return;
    }
    // The property shares its line: only its own text changes.
    std::string part;
    for (size_t i = s.first; i < s.first + s.count; ++i)
      part += (part.empty() ? "" : " ") + PropertyText(props_[i], lead, lineBreak_);
    size_t to = s.valueEnd;
    if (part.empty())
      while (to < text_.size() && IsBlank(text_[to])) ++to;
    Replace(s.nameStart, to, part);
  }

  size_t Cursor() const { return cursor_; }
  std::string& Out() { return out_; }

 private:
  std::string_view text_;
  const std::vector<TLayoutProperty>& props_;
  const std::string& lineBreak_;
  size_t cursor_;
  std::string out_;
};

}  // namespace

bool LayoutFromName(std::string_view name, TObjectLayout& layout) {
  if (support::SameText(std::string(name), "design")) {
    layout = TObjectLayout::Design;
  } else if (support::SameText(std::string(name), "kept")) {
    layout = TObjectLayout::Kept;
  } else {
    return false;
  }
  return true;
}

const char* LayoutName(TObjectLayout layout) { return layout == TObjectLayout::Design ? "design" : "kept"; }

std::string WriteKeptObject(std::string_view text, size_t start, size_t end, const std::string& newClassName,
                            const std::vector<TPropertySource>& sources,
                            const std::vector<TLayoutProperty>& properties, const std::string& lineBreak) {
  end = std::min(end, text.size());
  text = text.substr(0, end);
  TKeptWriter w(text, start, properties, lineBreak);

  size_t typeStart = 0, typeEnd = 0;
  FindTypeName(text, start, end, typeStart, typeEnd);
  if (!newClassName.empty()) w.Replace(typeStart, typeEnd, newClassName);
  size_t breakStart = 0;
  size_t breakLength = BreakAfter(text, typeEnd, breakStart);
  // Where properties that stood nowhere are added: after the last property
  // that ends a line, else after the header line.
  size_t addAt = breakLength > 0 ? breakStart + breakLength : std::string_view::npos;

  std::vector<bool> covered(properties.size(), false);
  for (const TPropertySource& s : sources) {
    for (size_t i = s.first; i < s.first + s.count && i < properties.size(); ++i) covered[i] = true;
    w.Rewrite(s);
    size_t valueBreak = 0;
    if (size_t n = BreakAfter(text, s.valueEnd, valueBreak); n > 0) addAt = valueBreak + n;
  }

  std::string added;
  bool headerOwnLine = false;
  const std::string propLead = LeadOf(text, start, headerOwnLine) + "  ";
  for (size_t i = 0; i < properties.size(); ++i)
    if (!covered[i]) added += propLead + PropertyText(properties[i], propLead, lineBreak) + lineBreak;
  if (!added.empty()) {
    if (addAt == std::string_view::npos || addAt < w.Cursor()) {
      // The header line goes on: the new properties begin a line of their own.
      w.CopyTo(typeEnd);
      w.Out() += lineBreak + added;
    } else {
      w.CopyTo(addAt);
      w.Out() += added;
    }
  }
  w.CopyTo(end);
  return std::move(w.Out());
}

}  // namespace migwiz::grammar
