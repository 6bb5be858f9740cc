#include "platform/CodePageConverter.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

#include "platform/TextCodec.h"

namespace migwiz::platform {

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

class IcuConverter : public CodePageConverter {
 public:
  explicit IcuConverter(const std::string& name) {
    UErrorCode status = U_ZERO_ERROR;
    cnv_.reset(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status) || !cnv_) {
      throw ECodePageError("unknown code page \"" + name + "\" (" +
                           AnsiCodePage::kEnvironmentVariable + " must name an ICU converter)");
    }
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(cnv_.get(), "?", 1, &status);
    name_ = name;
  }

  bool IsSingleByte() const override { return ucnv_getMaxCharSize(cnv_.get()) == 1; }

  bool DecodeByte(unsigned char b, char16_t& unit) override {
    UConverter* cnv = cnv_.get();
    UErrorCode status = U_ZERO_ERROR;
    UConverterToUCallback oldAction;
    const void* oldContext;
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, &oldAction, &oldContext, &status);
    char byte = static_cast<char>(b);
    UChar buf[4];
    status = U_ZERO_ERROR;
    ucnv_resetToUnicode(cnv);
    int32_t len = ucnv_toUChars(cnv, buf, 4, &byte, 1, &status);
    bool ok = U_SUCCESS(status) && len == 1 && !U16_IS_SURROGATE(buf[0]);
    UErrorCode ignored = U_ZERO_ERROR;
    ucnv_setToUCallBack(cnv, oldAction, oldContext, nullptr, nullptr, &ignored);
    if (ok) unit = buf[0];
    return ok;
  }

  std::u16string Decode(std::string_view bytes) override {
    UConverter* cnv = cnv_.get();
    ucnv_resetToUnicode(cnv);
    std::u16string units(bytes.size() * 2 + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t len = ucnv_toUChars(cnv, units.data(), static_cast<int32_t>(units.size()),
                                bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) throw ECodePageError("cannot decode text in code page " + name_);
    units.resize(len);
    return units;
  }

  std::string Encode(std::u16string_view units) override {
    UConverter* cnv = cnv_.get();
    ucnv_resetFromUnicode(cnv);
    std::string out(units.size() * ucnv_getMaxCharSize(cnv) + 8, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t len = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                                  units.data(), static_cast<int32_t>(units.size()), &status);
    if (U_FAILURE(status)) throw ECodePageError("cannot encode text in code page " + name_);
    out.resize(len);
    return out;
  }

 private:
  std::unique_ptr<UConverter, ConverterCloser> cnv_;
  std::string name_;
};

}  // namespace

std::unique_ptr<CodePageConverter> CodePageConverter::Open(const std::string& name) {
  return std::make_unique<IcuConverter>(name);
}

// Linux has no ANSI code page: the one of a western Windows system.
std::string CodePageConverter::DefaultName() { return "windows-1252"; }

}  // namespace migwiz::platform
