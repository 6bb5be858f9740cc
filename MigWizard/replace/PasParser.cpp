#include "replace/PasParser.h"

namespace migwiz::replace {

using platform::TLexemeTable;

const TLexemeTable& PasSymbols() {
  static const TLexemeTable table = [] {
    TLexemeTable t;
    int code = 0;
    auto add = [&](int from, int to) {
      for (int c = from; c <= to; ++c) t[std::string(1, static_cast<char>(c))] = ++code;
    };
    add(0x21, 0x23);
    add(0x25, 0x2F);
    add(0x3A, 0x40);
    add(0x5B, 0x5E);
    add(0x5F, 0x5F);
    add(0x60, 0x60);
    return t;
  }();
  return table;
}

const TLexemeTable& PasKeywords() {
  static const TLexemeTable table = {{"END", lcEndKeyword}, {"INHERITED", lcInherited},
                                     {"INLINE", lcInline},  {"ITEM", lcItem},
                                     {"OBJECT", lcObject},  {"USES", lcUses}};
  return table;
}

TPasParser::TPasParser(std::string text) : TParser(std::move(text)) {
  SetSymbols(&PasSymbols());
  SetKeywords(&PasKeywords());
  SetKeepQuotes(true);
}

TPasParser::TPasParser(platform::TBorrowedText text) : TParser(text) {
  SetSymbols(&PasSymbols());
  SetKeywords(&PasKeywords());
  SetKeepQuotes(true);
}

bool TPasParser::IsSymbol(char32_t c) const {
  return (c >= 0x21 && c <= 0x2F && c != 0x24) || (c >= 0x3A && c <= 0x40) ||
         (c >= 0x5B && c <= 0x5E) || c == 0x60 || (c >= 0x7B && c <= 0x7E);
}

bool TPasParser::IsNumber(char32_t c) const {
  return c == '$' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool TPasParser::IsStringQuote(char32_t c) const { return c == '\''; }

}  // namespace migwiz::replace
