#include "EditorModule.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextDocument>

#include <stdexcept>

#include "PascalHighlighter.h"
#include "streams/ComponentStream.h"
#include "platform/FileSystem.h"
#include "support/FileUtils.h"
#include "support/StrUtils.h"

namespace migwiz::ide {

using platform::SystemFileSystem;

QString ReadModuleText(const std::string& fileName, TFileFormat& format) {
  std::string bytes, err;
  if (!SystemFileSystem().ReadFile(fileName, bytes, err)) throw std::runtime_error(err);
  std::string text;
  format = TFileFormat{};
  if (platform::IsBinaryForm(bytes)) {
    platform::TRCData header;
    try {
      size_t start = platform::ReadResourceHeader(bytes, header);
      text = platform::ObjectBinaryToTextUtf8(std::string_view(bytes).substr(start), start,
                                              &format.stringKinds);
    } catch (const std::exception& e) {
      throw std::runtime_error("\"" + fileName + "\": " + e.what());
    }
    format.binaryForm = true;
    format.resourceName = header.Name;
    format.encoding = support::TEncoding::Utf8;
  } else {
    support::TextFileContents contents = support::ReadTextFile(bytes);
    format.encoding = contents.encoding;
    format.byteOrderMark = contents.encoding != support::TEncoding::Ansi;
    text = std::move(contents.text);
  }
  format.crlf = text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos;
  QString out = QString::fromStdString(text);
  out.replace("\r\n", "\n");
  return out;
}

std::string EncodeModuleText(const QString& text, const TFileFormat& format) {
  QString lines = text;
  if (format.crlf) lines.replace("\n", "\r\n");
  const std::string utf8 = lines.toStdString();
  if (format.binaryForm)
    return platform::WriteResourceForm(format.resourceName, platform::ObjectTextToBinaryUtf8(utf8, format.stringKinds));
  return (format.byteOrderMark ? support::ByteOrderMark(format.encoding) : std::string()) +
         support::EncodeText(utf8, format.encoding);
}

namespace {

// The editor's text as typed: no character replaced by the toolkit.
QString RawText(const QPlainTextEdit* edit) {
  QString text = edit->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, '\n');
  text.replace(QChar::LineSeparator, '\n');
  return text;
}

QPlainTextEdit* MakeEditor(QWidget* parent, const char* name) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setObjectName(name);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont font(QStringLiteral("Monospace"));
  font.setStyleHint(QFont::TypeWriter);
  edit->setFont(font);
  new TPascalHighlighter(edit->document());
  return edit;
}

void SetText(QPlainTextEdit* edit, const QString& text) {
  edit->setPlainText(text);
  edit->document()->setModified(false);
}

std::string FindForm(const std::string& sourceFile) {
  for (const char* ext : {".dfm", ".nfm"}) {
    std::string form = support::FindPathNoCase(support::ChangeFileExt(sourceFile, ext));
    if (!form.empty()) return form;
  }
  return {};
}

}  // namespace

class SourceEditor : public platform::IOTASourceEditor {
 public:
  explicit SourceEditor(TEditorModule* module) : module_(module) {}
  void Show() override { module_->ShowEditor(0); }

 private:
  TEditorModule* module_;
};

// The form's editor is an editor, but not a source editor.
class FormEditor : public platform::IOTAEditor {
 public:
  explicit FormEditor(TEditorModule* module) : module_(module) {}
  void Show() override { module_->ShowEditor(1); }

 private:
  TEditorModule* module_;
};

TEditorModule::TEditorModule(const std::string& sourceFile, platform::IOTAProject* owner)
    : sourceFile_(sourceFile), formFile_(FindForm(sourceFile)), owner_(owner) {
  page_ = new QTabWidget;
  page_->setObjectName(QString::fromStdString(support::ExtractFileName(sourceFile)));
  page_->setTabPosition(QTabWidget::South);
  source_ = MakeEditor(page_, "SourceEditor");
  page_->addTab(source_, tr("Code"));
  sourceEditor_ = std::make_unique<SourceEditor>(this);
  if (!formFile_.empty()) {
    form_ = MakeEditor(page_, "FormEditor");
    page_->addTab(form_, tr("Form"));
    formEditor_ = std::make_unique<FormEditor>(this);
  }
  try {
    Load();
  } catch (...) {
    delete page_;
    throw;
  }
  for (QPlainTextEdit* edit : {source_, form_})
    if (edit) connect(edit->document(), &QTextDocument::modificationChanged, this, &TEditorModule::ModifiedChanged);
}

TEditorModule::~TEditorModule() { delete page_; }

QWidget* TEditorModule::Page() const { return page_; }

void TEditorModule::Load() {
  SetText(source_, ReadModuleText(sourceFile_, sourceFormat_));
  if (form_) {
    try {
      SetText(form_, ReadModuleText(formFile_, formFormat_));
      form_->setReadOnly(false);
    } catch (const std::exception& e) {
      // A form that does not convert is shown as why, and never written back.
      SetText(form_, QString::fromStdString(e.what()));
      form_->setReadOnly(true);
    }
  }
}

int TEditorModule::GetModuleFileCount() { return form_ ? 2 : 1; }

platform::IOTAEditor* TEditorModule::GetModuleFileEditor(int index) {
  if (index == 0) return sourceEditor_.get();
  if (index == 1) return formEditor_.get();
  return nullptr;
}

QString TEditorModule::SourceText() const { return RawText(source_); }
QString TEditorModule::FormText() const { return form_ ? RawText(form_) : QString(); }

bool TEditorModule::Modified() const {
  return source_->document()->isModified() || (form_ && form_->document()->isModified());
}

int TEditorModule::CurrentEditor() const { return page_->currentIndex(); }

void TEditorModule::ShowEditor(int index) {
  if (index >= 0 && index < page_->count()) page_->setCurrentIndex(index);
}

bool TEditorModule::Save(std::string& err) {
  struct Part {
    QPlainTextEdit* edit;
    const std::string& file;
    const TFileFormat& format;
  };
  for (const Part& part : {Part{source_, sourceFile_, sourceFormat_}, Part{form_, formFile_, formFormat_}}) {
    if (!part.edit || part.edit->isReadOnly() || !part.edit->document()->isModified()) continue;
    std::string bytes;
    try {
      bytes = EncodeModuleText(RawText(part.edit), part.format);
    } catch (const std::exception& e) {
      err = "\"" + part.file + "\": " + e.what();
      return false;
    }
    if (!SystemFileSystem().WriteFile(part.file, bytes, err)) return false;
    part.edit->document()->setModified(false);
  }
  return true;
}

bool TEditorModule::Reload(std::string& err) {
  try {
    Load();
    return true;
  } catch (const std::exception& e) {
    err = e.what();
    return false;
  }
}

bool TEditorModule::Holds(const std::string& fileName) const {
  return support::SameText(fileName, sourceFile_) || (!formFile_.empty() && support::SameText(fileName, formFile_));
}

}  // namespace migwiz::ide
