// form2text and text2form: binary form files to their text and back.
#include <iostream>

#include "Command.h"
#include "streams/ComponentStream.h"
#include "platform/TextCodec.h"
#include "support/TextFile.h"

namespace migwiz::app {

namespace {

using platform::EStreamError;
using platform::ETextFormError;

void EmitOutput(const std::string& out, const std::string& bytes) {
  if (out.empty())
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  else
    WriteOutputFile(out, bytes);
}

void FormToText(const std::string& form, const std::string& out) {
  std::string bytes = ReadInputFile(form);
  if (!platform::IsBinaryForm(bytes)) {
    EmitOutput(out, bytes);  // a text form passes through unchanged
    return;
  }
  try {
    platform::TRCData header;
    size_t start = platform::ReadResourceHeader(bytes, header);
    const std::string_view stream = std::string_view(bytes).substr(start);
    EmitOutput(out, platform::ObjectBinaryToText(stream, start));
    platform::TStringKinds kinds;
    platform::ObjectBinaryToTextUtf8(stream, start, &kinds);
    if (kinds == platform::TStringKinds::CodePage)
      std::cerr << "migwiz: note: " << form
                << " keeps its strings in the code page, as IDEs before Unicode wrote them; "
                   "text2form --string-kinds code-page writes them back that way\n";
  } catch (const EStreamError& e) {
    throw ECommandFailed(form + ": " + e.what());
  }
}

bool HasNonAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

bool HasByteOrderMark(std::string_view bytes) {
  return bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 3) == "\xEF\xBB\xBF";
}

// A text without a byte-order mark is read in the ANSI code page, as the
// IDE would; text that is valid UTF-8 beyond ASCII was most likely meant as
// UTF-8, so the user is told how to say so.
support::TextFileContents ReadTextForm(const std::string& text, const std::string& encoding) {
  std::string bytes = ReadInputFile(text);
  if (HasByteOrderMark(bytes) || !HasNonAscii(bytes)) return support::ReadTextFile(bytes);
  if (encoding == "utf-8") return {support::TEncoding::Utf8, support::DecodeText(bytes, support::TEncoding::Utf8)};
  if (encoding.empty() && platform::SanitizeUtf8(bytes) == bytes)
    std::cerr << "migwiz: warning: " << text << " has no byte-order mark and was read in the ANSI code page "
              << platform::AnsiCodePage::System().Name() << " (" << platform::AnsiCodePage::kEnvironmentVariable
              << "); if it is UTF-8, use --encoding utf-8\n";
  return support::ReadTextFile(bytes);
}

void TextToForm(const std::string& text, const std::string& out, const std::string& resourceName,
                const std::string& encoding, const std::string& stringKinds) {
  support::TextFileContents contents = ReadTextForm(text, encoding);
  std::string stream;
  try {
    stream = platform::ObjectTextToBinaryUtf8(contents.text, stringKinds == "code-page"
                                                                 ? platform::TStringKinds::CodePage
                                                                 : platform::TStringKinds::Unicode);
  } catch (const ETextFormError& e) {
    throw ECommandFailed(text + ": " + e.what());
  }
  std::string name = resourceName.empty() ? platform::DefaultResourceName(stream) : resourceName;
  if (name.find('\0') != std::string::npos) throw ECommandFailed("resource name holds a NUL byte");
  WriteOutputFile(out, platform::WriteResourceForm(name, stream));
}

}  // namespace

void AddFormCommands(CLI::App& app) {
  auto* f2t = app.add_subcommand("form2text", "Write a binary form file as text (text forms pass through).");
  static std::string form, f2tOut;
  f2t->add_option("FORM", form, "form file (.dfm, .nfm)")->required();
  f2t->add_option("-o,--output", f2tOut, "output file (default: standard output)");
  f2t->callback([] { FormToText(form, f2tOut); });

  auto* t2f = app.add_subcommand("text2form", "Write a text form as a binary form file.");
  static std::string text, t2fOut, resourceName, encoding, stringKinds;
  t2f->add_option("TEXT", text, "text form")->required();
  t2f->add_option("-o,--output", t2fOut, "binary form file to write")->required();
  t2f->add_option("--resource-name", resourceName,
                  "resource name (default: the root object's class in upper case)");
  t2f->add_option("--encoding", encoding,
                  "encoding of a text without byte-order mark: ansi (the default, see MIGWIZ_ANSI_CODEPAGE) or utf-8")
      ->check(CLI::IsMember({"ansi", "utf-8"}));
  t2f->add_option("--string-kinds", stringKinds,
                  "how strings beyond ASCII are stored: unicode (the default: UTF-8 or UTF-16, as a "
                  "Unicode IDE writes them) or code-page (in the ANSI code page where it holds them, "
                  "as IDEs before Unicode did)")
      ->check(CLI::IsMember({"unicode", "code-page"}));
  t2f->callback([] { TextToForm(text, t2fOut, resourceName, encoding, stringKinds); });
}

}  // namespace migwiz::app
