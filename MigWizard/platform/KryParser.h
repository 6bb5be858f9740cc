// The family tokenizer: splits a text into lexemes such that, put together
// in order, they give the text back exactly. Blanks and comments are lexemes
// of their own; symbols and keywords come from tables a subclass sets.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace migwiz::platform {

// Lexeme codes.
inline constexpr int lcEnd = 0;
inline constexpr int lcOther = -100;   // a character in no table
inline constexpr int lcBlank = -101;
inline constexpr int lcNumber = -102;
inline constexpr int lcIdent = -103;
inline constexpr int lcString = -106;
inline constexpr int lcComment = -108;

// Case-insensitive ASCII ordering, the family's string comparison.
int KryCmpStrings(std::string_view a, std::string_view b);

struct KryLess {
  bool operator()(const std::string& a, const std::string& b) const { return KryCmpStrings(a, b) < 0; }
};
using TLexemeTable = std::map<std::string, int, KryLess>;

class TParser {
 public:
  explicit TParser(std::string text);
  virtual ~TParser() = default;

  // The next lexeme and its code; lcEnd at the end of the text.
  int GetNext(std::string& lexeme);
  // Where the lexeme just returned starts (0-based; +1 gives the 1-based position).
  int PrevPos() const { return prevPos_; }
  void SetText(std::string text);
  void ToBegin() { pos_ = 0; }
  // Goes on from a 0-based position of the same text.
  void SetPos(size_t pos) { pos_ = pos < text_.size() ? pos : text_.size(); }

  // Strings keep their apostrophes when on (the default).
  bool KeepQuotes() const { return keepQuotes_; }
  void SetKeepQuotes(bool keep) { keepQuotes_ = keep; }

 protected:
  virtual bool IsBlank(char32_t c) const;
  virtual bool IsSymbol(char32_t c) const;
  virtual bool IsAlpha(char32_t c) const;
  virtual bool IsNumber(char32_t c) const;
  virtual bool IsStringQuote(char32_t c) const;

  void SetSymbols(const TLexemeTable* symbols) { symbols_ = symbols; }
  void SetKeywords(const TLexemeTable* keywords) { keywords_ = keywords; }

 private:
  char32_t CharAt(size_t pos, size_t* len = nullptr) const;
  size_t CommentEnd(size_t pos) const;  // 0 when no comment starts here
  size_t StringEnd(size_t pos) const;

  std::string text_;
  size_t pos_ = 0;
  int prevPos_ = 0;
  bool keepQuotes_ = true;
  const TLexemeTable* symbols_ = nullptr;
  const TLexemeTable* keywords_ = nullptr;
};

}  // namespace migwiz::platform
