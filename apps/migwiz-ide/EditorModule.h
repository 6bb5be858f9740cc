// An open unit: its source in one editor and, when it has a form, the
// form's text in a second (binary forms shown and saved through the
// component stream conversion). Each file is written back in the encoding,
// line breaks and form kind it was read in.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>

#include "streams/ComponentStream.h"
#include "platform/OpenToolsAPI.h"
#include "support/TextFile.h"

class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace migwiz::ide {

// How a file's text was stored, so that it can be stored the same way.
struct TFileFormat {
  support::TEncoding encoding = support::TEncoding::Ansi;
  bool byteOrderMark = false;
  bool crlf = true;
  bool binaryForm = false;
  std::string resourceName;  // of a binary form
  platform::TStringKinds stringKinds = platform::TStringKinds::Unicode;  // of a binary form
};

// The text of a unit or form file, with its format. Throws std::runtime_error
// naming the file when it cannot be read or converted.
QString ReadModuleText(const std::string& fileName, TFileFormat& format);
// The file's bytes for text in the given format. Throws for a form text that
// does not convert back to a binary form.
std::string EncodeModuleText(const QString& text, const TFileFormat& format);

class TEditorModule : public QObject, public platform::IOTAModule {
  Q_OBJECT

 public:
  // Opens the unit and its form (the .dfm or .nfm of the same name, if any).
  // Throws std::runtime_error when a file cannot be read.
  TEditorModule(const std::string& sourceFile, platform::IOTAProject* owner);
  ~TEditorModule() override;

  // IOTAModule
  std::string FileName() const override { return sourceFile_; }
  int GetModuleFileCount() override;
  platform::IOTAEditor* GetModuleFileEditor(int index) override;
  int GetOwnerCount() override { return owner_ ? 1 : 0; }
  platform::IOTAProject* GetOwner(int index) override { return index == 0 ? owner_ : nullptr; }

  const std::string& FormFile() const { return formFile_; }
  QWidget* Page() const;
  QPlainTextEdit* SourceEdit() const { return source_; }
  QPlainTextEdit* FormEdit() const { return form_; }
  QString SourceText() const;
  QString FormText() const;
  bool Modified() const;
  // The editor in front: 0 the source, 1 the form.
  int CurrentEditor() const;
  void ShowEditor(int index);

  // Writes every modified editor; false with err set when one cannot be written.
  bool Save(std::string& err);
  // Reads source and form again from disk, dropping unsaved edits.
  bool Reload(std::string& err);
  // Whether fileName names the source or the form (letter case ignored).
  bool Holds(const std::string& fileName) const;

 signals:
  void ModifiedChanged();

 private:
  void Load();

  std::string sourceFile_, formFile_;
  platform::IOTAProject* owner_;
  QTabWidget* page_;
  QPlainTextEdit* source_;
  QPlainTextEdit* form_ = nullptr;
  TFileFormat sourceFormat_, formFormat_;
  std::unique_ptr<platform::IOTAEditor> sourceEditor_, formEditor_;
};

}  // namespace migwiz::ide
