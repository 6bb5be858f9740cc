// Converting one form file, text or binary: each object of an old class is
// parsed and rebuilt by the form parser, everything around it is kept.
#include <algorithm>
#include <memory>

#include "grammar/StringValue.h"
#include "grammar/TranslationRules.h"
#include "replace/FormLexer.h"
#include "replace/PasParser.h"
#include "replace/Replacer.h"
#include "replace/TextPlace.h"
#include "support/Assert.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"

namespace migwiz::replace {

using namespace support;

namespace {

// Where an object ends: the position just after its "end", read from its
// header's keyword on with a lexer of its own, so that only the objects that
// are converted are read for it (the run skips their text afterwards); 0 when
// the text ends first.
class TObjectEndFinder {
 public:
  explicit TObjectEndFinder(const std::string& text) : lexer_(platform::TBorrowedText{text}) {}

  size_t EndOf(size_t headerPos) {
    lexer_.StartAt(headerPos);
    const int keyword = lexer_.Next(lexeme_);
    if (keyword != lcObject && keyword != lcInherited && keyword != lcInline) return 0;
    int open = 1;  // objects and collection items
    for (int code; (code = lexer_.Next(lexeme_)) != platform::lcEnd;) {
      if (code == lcObject || code == lcInherited || code == lcInline || code == lcItem) {
        ++open;
      } else if (code == lcEndKeyword && --open == 0) {
        return static_cast<size_t>(lexer_.PrevPos()) + 3;
      }
    }
    return 0;
  }

 private:
  TFormLexer lexer_;
  std::string_view lexeme_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The line break the form uses (its first one); CR LF when it has none.
std::string LineBreakOf(const std::string& text) {
  size_t at = text.find_first_of("\r\n");
  if (at == std::string::npos) return "\r\n";
  if (text[at] == '\n') return "\n";
  return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

// Why the parse stopped at pos, for the warning.
std::string StopReason(const std::string& text, size_t pos, const std::string& errorStr) {
  if (!errorStr.empty()) return errorStr;
  if (pos >= text.size()) return "the text ends before the object's end";
  size_t lineEnd = text.find_first_of("\r\n", pos);
  std::string rest = text.substr(pos, std::min(lineEnd, text.size()) - pos);
  if (rest.size() > 40) rest = rest.substr(0, 40) + "...";
  return "the form grammar does not accept \"" + rest + "\"";
}

}  // namespace

TFormFileContents TComponentReplacer::ReadFormFile(const std::string& bytes) const {
  TFormFileContents form;
  if (platform::IsBinaryForm(bytes)) {
    form.binary = true;
    size_t start = platform::ReadResourceHeader(bytes, form.header);
    size_t streamEnd = 0;
    form.text = platform::ObjectBinaryToTextUtf8(std::string_view(bytes).substr(start), start,
                                                 &form.stringKinds, &streamEnd);
    form.encoding = TEncoding::Ansi;
    // What follows the root object, inside the resource's size and beyond
    // it, is written back as it was.
    streamEnd += start;
    const size_t dataEnd = std::max(streamEnd, std::min<size_t>(bytes.size(), start + form.header.Size));
    form.trailer = bytes.substr(streamEnd, dataEnd - streamEnd);
    form.outsideTrailer = bytes.substr(dataEnd);
    return form;
  }
  TextFileContents text = ReadTextFile(bytes);
  form.text = std::move(text.text);
  form.encoding = text.encoding;
  return form;
}

namespace {

// Where the window of an object that ends at end would end: through the
// line of the first character after its blanks.
size_t WindowEnd(const std::string& text, size_t end) {
  while (end < text.size() && IsBlank(text[end])) ++end;
  return std::min(std::min(text.find('\n', end), text.size()) + 1, text.size());
}

// The one-pass reader gives the parse of the whole text; where it looked at
// nothing beyond the window its object's end gives, the window's parse is
// the same (and where that window is not the one the object's end finder
// gives, the whole text decides anyway): then no end need be found.
bool ParseObjectDirectlyAt(grammar::TFormParser& parser, const std::string& text, size_t headerPos,
                           size_t& endPos) {
  int pos = static_cast<int>(headerPos) + 1;
  size_t furthest = 0;
  if (!parser.ParseObjectDirectly(text, pos, furthest)) return false;
  endPos = static_cast<size_t>(pos) - 1;
  return furthest < WindowEnd(text, endPos);
}

// Parses the object whose keyword is at headerPos (0-based); endPos becomes
// where the parse ended. The parser is first given only the object's own
// text (through its end and the line after it), so that a form with many
// objects is converted in linear time; when that does not end where the
// object ends, the whole text decides, as it always did. The window is a
// view into the text, which the parser reads again in MakeObject.
bool ParseObjectAt(grammar::TFormParser& parser, const std::string& text, size_t headerPos,
                   size_t objectEnd, size_t& endPos) {
  if (objectEnd > headerPos) {
    size_t expectedEnd = objectEnd;
    while (expectedEnd < text.size() && IsBlank(text[expectedEnd])) ++expectedEnd;
    size_t windowEnd = std::min(text.find('\n', expectedEnd), text.size());
    windowEnd = std::min(windowEnd + 1, text.size());
    int pos = 1;
    const std::string_view window = std::string_view(text).substr(headerPos, windowEnd - headerPos);
    if (parser.ParseString(window, "<object>", pos) &&
        headerPos + static_cast<size_t>(pos) - 1 == expectedEnd) {
      endPos = expectedEnd;
      return true;
    }
  }
  int pos = static_cast<int>(headerPos) + 1;
  if (!parser.ParseString(text, "<object>", pos)) return false;
  endPos = static_cast<size_t>(pos) - 1;
  return true;
}

// The names around the object just named (the last one), each with '.'.
std::string EnclosingPath(const std::vector<std::string>& names) {
  std::string path;
  for (size_t i = 0; i + 1 < names.size(); ++i)
    if (!names[i].empty()) path += names[i] + ".";
  return path;
}

TUnconvertedObject UnconvertedObject(const grammar::TFormParser& parser, const std::string& text,
                                     size_t headerPos, const TFormObject& object,
                                     const std::string& newClass, const std::string& file) {
  TUnconvertedObject u;
  u.FormFile = file;
  TLineCounter lines(text);
  u.Line = lines.PlaceOf(headerPos).Line;
  u.ObjectName = object.Name;
  u.ClassName = object.ClassName;
  u.NewClassName = newClass;
  size_t stop = parser.FurthestPos() > 0 ? static_cast<size_t>(parser.FurthestPos()) - 1 : headerPos;
  const TTextPlace at = lines.PlaceOf(stop);
  u.StopLine = at.Line;
  u.StopColumn = at.Column;
  u.StopOffset = stop;
  u.Reason = StopReason(text, stop, parser.ErrorStr());
  return u;
}

}  // namespace

void TComponentReplacer::ProcessForm(TFileConversion& c, const std::string& text,
                                     const TFormFileContents& form) const {
  grammar::TFormParser& parser = *c.Parser;
  parser.SetOnGetPropertyValue(
      [this, &c](const std::string& name, const std::string& old) { return GetPropertyValue(c, name, old); });
  parser.SetPropertyObserver(&c.Recorder);
  parser.UseProfile(runProfile_.get());
  c.Recorder.UseProfile(runProfile_.get());
  struct Detach {
    grammar::TFormParser& parser;
    ~Detach() {
      parser.SetPropertyObserver(nullptr);
      parser.SetOnGetPropertyValue(nullptr);
      parser.UseProfile(nullptr);
    }
  } detach{parser};
  int changes = 0;
  int depth = -1;
  TFormObject object;
  size_t headerPos = 0;
  size_t outPos = 0;
  std::string output;
  output.reserve(text.size());
  TFormLexer lexer(platform::TBorrowedText{text});
  std::unique_ptr<TObjectEndFinder> objectEnds;  // made for the first object of an old class
  parser.SetLineBreak(LineBreakOf(text));
  parser.SetLayout(replaceOptions_->Layout);
  c.Recorder.BeginForm(c.File, text, form.binary);
  // The names of the objects around the place reached (empty for a
  // collection item), for the report, and the line reached.
  std::vector<std::string> names;
  bool readingPathName = false;
  TLineTracker lines(text);
  TLineTracker outputLines(output);  // the lines of the converted form, for the report
  std::string_view lexeme;  // into text, or into newClass or made
  std::string newClass, made;
  for (int code; (code = lexer.Next(lexeme)) != platform::lcEnd;) {
    switch (code) {
      // An inherited or inline object of an old class is converted like any
      // other: its ancestor is, and the form would not load otherwise.
      case lcObject:
      case lcInherited:
      case lcInline:
        readingPathName = true;
        object.ReadingName = true;
        headerPos = static_cast<size_t>(lexer.PrevPos());
        outPos = output.size();
        ++depth;
        break;
      case lcItem:
        names.emplace_back();
        ++depth;  // nor collection items
        break;
      case lcEndKeyword:
        if (!names.empty()) names.pop_back();
        --depth;
        break;
      case platform::lcIdent:
        if (readingPathName && names.empty() && c.RootName.empty()) c.RootName = lexeme;
        if (readingPathName) names.emplace_back(lexeme);
        readingPathName = false;
        if (object.ReadingName) {
          object.Name = lexeme;
          object.ReadingName = false;
          object.ReadingType = true;
        } else if (object.ReadingType) {
          object.ClassName = lexeme;
          object.ReadingType = false;
          if (!FindFormClass(object.ClassName, newClass)) {
            std::string advice;
            if (WithoutCounterpart(object.ClassName, advice))
              c.Recorder.ObjectWithoutCounterpart(lines.LineOf(headerPos), EnclosingPath(names), object.Name,
                                                  object.ClassName, advice);
            break;
          }
          lexeme = newClass;
          parser.SetNewClassName(newClass);
          size_t unresolvedBefore = c.Unresolved.size();
          size_t endPos = 0;
          c.Choice = TConnectionChoice();
          auto parsed = [&] {
            if (ParseObjectDirectlyAt(parser, text, headerPos, endPos)) return true;
            c.Choice = TConnectionChoice();
            if (!objectEnds) objectEnds = std::make_unique<TObjectEndFinder>(text);
            return ParseObjectAt(parser, text, headerPos, objectEnds->EndOf(headerPos), endPos);
          };
          if (parsed()) {
            ++changes;
            c.Recorder.ObjectConverted(lines.LineOf(headerPos), EnclosingPath(names), object.Name,
                                       object.ClassName, newClass, c.Choice);
            outputLines.SetText(output);
            c.Report.SetConvertedLine(c.Report.ConvertedObjects().size() - 1, outputLines.LineOf(outPos));
            made = inventory_ ? std::string() : parser.MakeObject(std::max(depth, 0));
            lexeme = made;
            output.resize(outPos);
            lexer.ContinueAfterObject(endPos);
            --depth;  // the object's end will not be seen
            if (!names.empty()) names.pop_back();
          } else {
            // Datasets of an object left as it was keep their DatabaseName.
            c.Unresolved.resize(unresolvedBefore);
            c.Unconverted.push_back(UnconvertedObject(parser, text, headerPos, object, newClass, c.File));
            c.Recorder.ObjectNotParsed(c.Unconverted.back());
          }
        }
        break;
      default:
        break;
    }
    output += lexeme;
  }
  c.Changes = changes;
  c.Noted = true;
  if (changes == 0) return;
  // The form's text is read no more: a large form is not held three times
  // (text, output and encoded output) while it is written.
  if (c.Form && &c.Form->text == &text) std::string().swap(c.Form->text);
  if (!inventory_) WriteFormFile(c, output, form);
  c.Changed = true;
  if (form.binary && !inventory_) PlaceObjectsInBinaryText(c, output);
}

namespace {

// The offsets of the object headers of a form text, in text order.
std::vector<size_t> ObjectHeaders(const std::string& text) {
  std::vector<size_t> headers;
  TFormLexer lexer(platform::TBorrowedText{text});
  std::string_view lexeme;
  for (int code; (code = lexer.Next(lexeme)) != platform::lcEnd;)
    if (code == lcObject || code == lcInherited || code == lcInline)
      headers.push_back(static_cast<size_t>(lexer.PrevPos()));
  return headers;
}

}  // namespace

// A converted binary form is read as the text its stream converts to, which
// is laid out otherwise than the text converted: the report's lines of the
// converted objects are found there, by the objects' order.
void TComponentReplacer::PlaceObjectsInBinaryText(TFileConversion& c, const std::string& output) const {
  platform::TRCData header;
  const size_t start = platform::ReadResourceHeader(c.Output, header);
  std::string shown = platform::ObjectBinaryToTextUtf8(std::string_view(c.Output).substr(start), start);
  const std::vector<size_t> before = ObjectHeaders(output), after = ObjectHeaders(shown);
  TLineTracker outputLines(output), shownLines(shown);
  const auto& objects = c.Report.ConvertedObjects();
  for (size_t i = 0, h = 0; i < objects.size(); ++i) {
    // Both lists grow in text order, so one pass finds every object.
    while (h < before.size() && outputLines.LineOf(before[h]) < objects[i].Place.ConvertedLine) ++h;
    const bool found = h < before.size() && h < after.size() &&
                       outputLines.LineOf(before[h]) == objects[i].Place.ConvertedLine;
    c.Report.SetConvertedLine(i, found ? shownLines.LineOf(after[h]) : 0);
  }
  // A dry run checks the copy next, as this same text: it is not made twice.
  if (dryRun_) c.ShownText = std::move(shown);
}

void TComponentReplacer::WriteFormFile(TFileConversion& c, const std::string& output,
                                       const TFormFileContents& form) const {
  if (!form.binary) {
    c.Output = ByteOrderMark(form.encoding) + EncodeText(output, form.encoding);
    return;
  }
  std::string stream;
  try {
    stream = platform::ObjectTextToBinaryUtf8(output, form.stringKinds);
  } catch (const platform::ETextFormError& e) {
    // Named after the original: the temporary copy means nothing to the user.
    throw EWriteError(c.File + ": converted form is not a valid form text: " + e.what());
  }
  c.Output = platform::WriteResourceForm(form.header.Name, stream + form.trailer) + form.outsideTrailer;
}

// The TDatabase objects of a form, under the form's root name, by their
// decoded DatabaseName.
void TComponentReplacer::CollectDatabaseNames(TFileConversion& c) const {
  c.Form = std::make_unique<TFormFileContents>(ReadForm(c.File));  // kept for the conversion
  if (!c.Form->refusal.empty()) return;  // refused when it is converted
  const std::string& text = c.Form->text;
  TFormLexer lexer(platform::TBorrowedText{text});
  TFormObject object;
  std::string rootName;
  std::string_view lexeme;
  static const int kCharCode = PasSymbols().at("#");
  for (int code; (code = lexer.Next(lexeme)) != platform::lcEnd;) {
    if (code == lcObject || code == lcInherited || code == lcInline) {
      object.ReadingName = true;
    } else if (code == lcEndKeyword) {
      object.Name.clear();
      object.ClassName.clear();
    } else if (code == platform::lcIdent) {
      if (object.ReadingName) {
        object.Name = lexeme;
        object.ReadingName = false;
        object.ReadingType = true;
        if (rootName.empty()) c.RootName = rootName = lexeme;  // the first object is the form's root
      } else if (object.ReadingType) {
        object.ClassName = lexeme;
        object.ReadingType = false;
      }
      object.LastIdent = lexeme;
    } else if (code == platform::lcString || code == kCharCode) {
      if (object.LastIdent == "DatabaseName" && IsConnectionClass(object.ClassName)) {
        size_t pos = static_cast<size_t>(lexer.PrevPos());
        std::string name;
        if (grammar::ReadStringValue(text, pos, name))
          c.DatabaseNames.push_back({name, rootName, object.Name});
        object.LastIdent.clear();  // the value is read
      }
    }
  }
}

// The TDatabase is chosen by where it stands (ConnectionResolver); a folder
// run links only when asked to.
std::string TComponentReplacer::GetPropertyValue(TFileConversion& c, const std::string& propName,
                                                 const std::string& oldPropValue) const {
  Assert(propName == "DatabaseName", "Replacer", "connection asked for another property");
  const bool linking = Linking();
  TConnectionChoice choice;
  choice.DatabaseName = oldPropValue;
  if (oldPropValue.empty()) choice.Reason = TLinkReason::lrNoDatabaseName;
  else if (!linking) choice.Reason = TLinkReason::lrNotLinking;
  else choice = resolver_.Resolve(c.File, oldPropValue);
  std::string connection = choice.Reason == TLinkReason::lrLinked ? choice.Chosen.Reference : std::string();
  c.Choice = std::move(choice);
  if (connection.empty()) {
    TUnresolvedDatabase missing{c.File, grammar::TFormParserUtils::GetName(c.Parser->FormState()),
                                oldPropValue};
    std::string key = missing.ObjectName + '\0' + missing.DatabaseName;
    auto [at, added] = c.UnresolvedAt.try_emplace(std::move(key), c.Unresolved.size());
    if (added || at->second >= c.Unresolved.size() || !(c.Unresolved[at->second] == missing)) {
      at->second = c.Unresolved.size();
      c.Unresolved.push_back(std::move(missing));
    }
  }
  return connection;
}

}  // namespace migwiz::replace
