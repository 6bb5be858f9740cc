// Converting one form file, text or binary: each object of an old class is
// parsed and rebuilt by the form parser, everything around it is kept.
#include <algorithm>

#include "replace/PasParser.h"
#include "replace/Replacer.h"
#include "support/Assert.h"
#include "support/FileErrors.h"
#include "support/FileUtils.h"

namespace migwiz::replace {

using namespace support;

TFormFileContents TComponentReplacer::ReadFormFile(const std::string& bytes) const {
  TFormFileContents form;
  if (platform::IsBinaryForm(bytes)) {
    form.binary = true;
    size_t start = platform::ReadResourceHeader(bytes, form.header);
    form.text = platform::ObjectBinaryToTextUtf8(std::string_view(bytes).substr(start), start);
    form.encoding = TEncoding::Ansi;
    return form;
  }
  TextFileContents text = ReadTextFile(bytes);
  form.text = std::move(text.text);
  form.encoding = text.encoding;
  return form;
}

void TComponentReplacer::ProcessForm(const std::string& text, const std::string& destFile,
                                     const TFormFileContents& form) {
  int changes = 0;
  int depth = -1;
  TFormObject object;
  size_t headerPos = 0;
  size_t outPos = 0;
  std::string current = text;
  std::string output;
  TPasParser parser(current);
  recorder_.BeginForm(currentFile_, text, form.binary);
  std::string lexeme, newClass;
  for (int code; (code = parser.GetNext(lexeme)) != platform::lcEnd;) {
    switch (code) {
      case lcObject:
        object.ReadingName = true;
        headerPos = static_cast<size_t>(parser.PrevPos());
        outPos = output.size();
        ++depth;
        break;
      case lcInherited:
      case lcInline:
      case lcItem:
        ++depth;  // such objects and collection items are never replaced
        break;
      case lcEndKeyword:
        --depth;
        break;
      case platform::lcIdent:
        if (object.ReadingName) {
          object.Name = lexeme;
          object.ReadingName = false;
          object.ReadingType = true;
        } else if (object.ReadingType) {
          object.ClassName = lexeme;
          object.ReadingType = false;
          if (!FindPair(lexeme, newClass)) break;
          lexeme = newClass;
          formParser_->SetNewClassName(newClass);
          int pos = static_cast<int>(headerPos) + 1;
          if (formParser_->ParseString(current, "<object>", pos)) {
            ++changes;
            recorder_.ObjectConverted(text.size() - current.size() + headerPos, object.Name, object.ClassName, newClass);
            lexeme = formParser_->MakeObject(std::max(depth, 0));
            output.resize(outPos);
            current = current.substr(static_cast<size_t>(pos) - 1);
            parser.SetText(current);
            --depth;  // the object's end will not be seen
          } else {
            recorder_.ObjectNotParsed(text.size() - current.size() + std::max(formParser_->ErrorPos() - 1, 0), object.Name, object.ClassName, formParser_->ErrorStr());
          }
        }
        break;
      default:
        break;
    }
    output += lexeme;
  }
  NoteChanges(currentFile_, changes);
  if (changes == 0) return;
  WriteFormFile(destFile, output, form);
  ++changedFilesCount_;
}

void TComponentReplacer::WriteFormFile(const std::string& destFile, const std::string& output,
                                       const TFormFileContents& form) {
  if (!form.binary) {
    WriteOutput(destFile, ByteOrderMark(form.encoding) + EncodeText(output, form.encoding));
    return;
  }
  std::string stream;
  try {
    stream = platform::ObjectTextToBinaryUtf8(output);
  } catch (const platform::ETextFormError& e) {
    throw EWriteError(destFile + ": converted form is not a valid form text: " + e.what());
  }
  WriteOutput(destFile, platform::WriteResourceForm(form.header.Name, stream));
}

void TComponentReplacer::CollectDatabaseNames(const std::string& fileName) {
  std::string bytes, err;
  if (!env_.fs->ReadFile(fileName, bytes, err)) throw EFOpenError(err);
  TFormFileContents form;
  try {
    form = ReadFormFile(bytes);
  } catch (const platform::EStreamError& e) {
    throw EFOpenError(fileName + ": " + e.what());
  }
  TPasParser parser(form.text.substr(0, form.text.find('\0')));
  parser.SetKeepQuotes(false);
  TFormObject object;
  std::string rootName;
  std::string lexeme;
  for (int code; (code = parser.GetNext(lexeme)) != platform::lcEnd;) {
    if (code == lcObject) {
      object.ReadingName = true;
    } else if (code == lcEndKeyword) {
      object.Name.clear();
      object.ClassName.clear();
    } else if (code == platform::lcIdent) {
      if (object.ReadingName) {
        object.Name = lexeme;
        object.ReadingName = false;
        object.ReadingType = true;
        if (rootName.empty()) rootName = lexeme;
      } else if (object.ReadingType) {
        object.ClassName = lexeme;
        object.ReadingType = false;
      }
      object.LastIdent = lexeme;
    } else if (code == platform::lcString) {
      if (object.ClassName == "TDatabase" && object.LastIdent == "DatabaseName")
        dbList_.SetValue(lexeme, rootName + "." + object.Name);
    }
  }
}

std::string TComponentReplacer::GetPropertyValue(const std::string& propName,
                                                 const std::string& oldPropValue) {
  Assert(propName == "DatabaseName", "Replacer", "connection asked for another property");
  std::string connection = dbList_.Value(oldPropValue);
  if (connection.empty()) {
    TUnresolvedDatabase missing{currentFile_,
                                grammar::TFormParserUtils::GetName(formParser_->FormState()),
                                oldPropValue};
    if (std::find(unresolved_.begin(), unresolved_.end(), missing) == unresolved_.end())
      unresolved_.push_back(std::move(missing));
  }
  return connection;
}

}  // namespace migwiz::replace
