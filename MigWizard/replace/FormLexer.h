#pragma once

#include <string>
#include <string_view>

#include "replace/PasParser.h"

namespace migwiz::replace {

// The lexemes of a form text as the form means them. The words that open
// and close objects count only where they do that: on a header line (an
// object or class called Item) and after '=' or '.' they are identifiers,
// and "item" opens a collection item only after '<' or the previous item's
// end.
class TFormLexer {
 public:
  explicit TFormLexer(std::string text) : parser_(std::move(text)) {}
  // Reads the text where it lies: it must outlive the lexer.
  explicit TFormLexer(platform::TBorrowedText text) : parser_(text) {}

  int Next(std::string& lexeme) {
    std::string_view view;
    int code = Next(view);
    lexeme.assign(view);
    return code;
  }
  int Next(std::string_view& lexeme) {
    int code = parser_.GetNext(lexeme);
    if (code == platform::lcBlank) {
      for (char c : lexeme)
        if (c == '\r' || c == '\n') {
          onHeader_ = false;
          break;
        }
      return code;
    }
    code = Meaning(code);  // a "comment" here is binary data in braces: a value
    if (code == lcObject || code == lcInherited || code == lcInline) onHeader_ = true;
    prevCode_ = code;
    return code;
  }
  int PrevPos() const { return parser_.PrevPos(); }
  // Goes on at pos, just after an object that was read as a whole.
  void ContinueAfterObject(size_t pos) {
    parser_.SetPos(pos);
    onHeader_ = false;
    prevCode_ = lcEndKeyword;
  }
  // Starts afresh at pos, the keyword of an object header.
  void StartAt(size_t pos) {
    parser_.SetPos(pos);
    onHeader_ = false;
    prevCode_ = 0;
  }

 private:
  static int SymbolCode(const char* symbol) { return PasSymbols().at(symbol); }

  int Meaning(int code) const {
    bool keyword = code == lcObject || code == lcInherited || code == lcInline ||
                   code == lcItem || code == lcEndKeyword;
    if (!keyword) return code;
    static const int kEquals = SymbolCode("="), kDot = SymbolCode("."), kLess = SymbolCode("<");
    if (onHeader_ || prevCode_ == kEquals || prevCode_ == kDot) return platform::lcIdent;
    if (code == lcItem && prevCode_ != kLess && prevCode_ != lcEndKeyword)
      return platform::lcIdent;
    return code;
  }

  TPasParser parser_;
  bool onHeader_ = false;
  int prevCode_ = 0;
};

}  // namespace migwiz::replace
