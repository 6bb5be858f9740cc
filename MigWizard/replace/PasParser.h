// The tokenizer of unit sources and form texts.
#pragma once

#include "platform/KryParser.h"

namespace migwiz::replace {

// Symbol codes (one character each) and keyword codes.
inline constexpr int lcSemicolon = 16;
inline constexpr int lcEndKeyword = 28;
inline constexpr int lcInherited = 29;
inline constexpr int lcInline = 30;
inline constexpr int lcItem = 31;
inline constexpr int lcObject = 32;
inline constexpr int lcUses = 33;

const platform::TLexemeTable& PasSymbols();
const platform::TLexemeTable& PasKeywords();

class TPasParser : public platform::TParser {
 public:
  explicit TPasParser(std::string text);
  explicit TPasParser(platform::TBorrowedText text);

 protected:
  bool IsSymbol(char32_t c) const override;
  bool IsNumber(char32_t c) const override;
  bool IsStringQuote(char32_t c) const override;
};

}  // namespace migwiz::replace
