#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/CodePageConverter.h"
#include "platform/TextCodec.h"

namespace migwiz::platform {

namespace {

// The code page of a name: a number ("1251"), "windows-1251", "cp1251",
// "ibm866", or one of the usual names of the multi-byte and ISO code pages.
// Letter case, "-" and "_" do not matter. 0 for none.
UINT CodePageOf(const std::string& given) {
  std::string name;
  for (char c : given)
    if (c != '-' && c != '_') name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  auto number = [](const std::string& digits) -> UINT {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return 0;
    return static_cast<UINT>(std::stoul(digits));
  };
  for (const char* prefix : {"windows", "cp", "ibm", "ms", ""}) {
    std::string p = prefix;
    if (name.compare(0, p.size(), p) == 0)
      if (UINT cp = number(name.substr(p.size()))) return cp;
  }
  static const struct { const char* name; UINT cp; } kNames[] = {
      {"utf8", CP_UTF8},       {"usascii", 20127},   {"ascii", 20127},     {"shiftjis", 932},
      {"sjis", 932},           {"gbk", 936},         {"gb2312", 936},      {"big5", 950},
      {"euckr", 949},          {"ksc56011987", 949}, {"eucjp", 20932},     {"koi8r", 20866},
      {"koi8u", 21866},        {"iso88591", 28591},  {"iso88592", 28592},  {"iso88593", 28593},
      {"iso88594", 28594},     {"iso88595", 28595},  {"iso88596", 28596},  {"iso88597", 28597},
      {"iso88598", 28598},     {"iso88599", 28599},  {"iso885913", 28603}, {"iso885915", 28605},
      {"latin1", 28591},
  };
  for (const auto& n : kNames)
    if (name == n.name) return n.cp;
  return 0;
}

class WindowsConverter : public CodePageConverter {
 public:
  explicit WindowsConverter(const std::string& name) : name_(name), cp_(CodePageOf(name)) {
    CPINFOEXW info{};
    if (cp_ == 0 || !IsValidCodePage(cp_) || !GetCPInfoExW(cp_, 0, &info)) {
      throw ECodePageError("unknown code page \"" + name + "\" (" +
                           AnsiCodePage::kEnvironmentVariable +
                           " must name a code page of the system, by number or name)");
    }
    singleByte_ = info.MaxCharSize == 1;
  }

  bool IsSingleByte() const override { return singleByte_; }

  bool DecodeByte(unsigned char b, char16_t& unit) override {
    char byte = static_cast<char>(b);
    wchar_t buf[4];
    int n = MultiByteToWideChar(cp_, MB_ERR_INVALID_CHARS, &byte, 1, buf, 4);
    if (n != 1 || (buf[0] >= 0xD800 && buf[0] <= 0xDFFF)) return false;
    unit = static_cast<char16_t>(buf[0]);
    return true;
  }

  std::u16string Decode(std::string_view bytes) override {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(cp_, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0) throw ECodePageError("cannot decode text in code page " + name_);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp_, 0, bytes.data(), size, out.data(), n);
    return std::u16string(out.begin(), out.end());
  }

  std::string Encode(std::u16string_view units) override {
    if (units.empty()) return {};
    std::wstring wide(units.begin(), units.end());
    const int size = static_cast<int>(wide.size());
    // No "best fit" (é to e): what the code page lacks becomes '?'. UTF-8
    // and UTF-7 take neither flags nor a default character.
    const bool utf = cp_ == CP_UTF8 || cp_ == CP_UTF7;
    const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* question = utf ? nullptr : "?";
    int n = WideCharToMultiByte(cp_, flags, wide.data(), size, nullptr, 0, question, nullptr);
    if (n <= 0) throw ECodePageError("cannot encode text in code page " + name_);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp_, flags, wide.data(), size, out.data(), n, question, nullptr);
    return out;
  }

 private:
  std::string name_;
  UINT cp_;
  bool singleByte_ = false;
};

}  // namespace

std::unique_ptr<CodePageConverter> CodePageConverter::Open(const std::string& name) {
  return std::make_unique<WindowsConverter>(name);
}

// The system's ANSI code page, by number, as a name the converter takes.
std::string CodePageConverter::DefaultName() { return "windows-" + std::to_string(GetACP()); }

}  // namespace migwiz::platform
