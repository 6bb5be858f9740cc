// The family tokenizer: splits a text into lexemes such that, put together
// in order, they give the text back exactly. Blanks and comments are lexemes
// of their own; symbols and keywords come from tables a subclass sets.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// A text a tokenizer reads where it lies, without a copy: it must outlive
// the tokenizer and stay as it is.
struct TBorrowedText {
  std::string_view text;
};

class TParser {
 public:
  explicit TParser(std::string text);
  explicit TParser(TBorrowedText text);
  virtual ~TParser() = default;
  TParser(const TParser&) = delete;
  TParser& operator=(const TParser&) = delete;

  // The next lexeme and its code; lcEnd at the end of the text.
  int GetNext(std::string& lexeme);
  // The same, as a view into the text (valid while the text is).
  int GetNext(std::string_view& lexeme);
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
  // Character classes: by the character alone (see LearnAsciiClasses).
  virtual bool IsBlank(char32_t c) const;
  virtual bool IsSymbol(char32_t c) const;
  virtual bool IsAlpha(char32_t c) const;
  virtual bool IsNumber(char32_t c) const;
  virtual bool IsStringQuote(char32_t c) const;

  void SetSymbols(const TLexemeTable* symbols);
  void SetKeywords(const TLexemeTable* keywords);

 private:
  // kName: a character that goes on an identifier (a letter as IsAlpha
  // says, or a digit); learnt for ASCII only.
  enum : std::uint8_t { kBlank = 1, kSymbol = 2, kAlpha = 4, kNumber = 8, kQuote = 16, kName = 32 };
  char32_t CharAt(size_t pos, size_t* len = nullptr) const {
    const auto b = static_cast<unsigned char>(text_[pos]);
    if (b >= 0x80) return DecodeAt(pos, len);
    if (len) *len = 1;
    return b;
  }
  char32_t DecodeAt(size_t pos, size_t* len) const;
  size_t CommentEnd(size_t pos) const;  // 0 when no comment starts here
  size_t StringEnd(size_t pos) const;
  // The Is... answers for the ASCII characters, asked once per tokenizer
  // class (and thread): they depend on the class alone, not on a tokenizer's
  // state.
  void LearnAsciiClasses();
  bool Is(char32_t c, std::uint8_t kind) const {
    return c < 128 ? (asciiClass_[c] & kind) != 0 : IsOther(c, kind);
  }
  bool IsOther(char32_t c, std::uint8_t kind) const;
  int KeywordCode(std::string_view word);
  int LookUpKeyword(std::string_view word);

  std::string own_;        // the text, when it was given to keep
  std::string_view text_;  // the text read
  bool asciiLearnt_ = false;
  std::array<std::uint8_t, 128> asciiClass_{};
  std::array<int, 128> asciiSymbol_{};  // the code of each one-character symbol; lcOther when none
  size_t longestKeyword_ = 0;
  // By a keyword's first byte in ASCII upper case, bit n when one of n bytes
  // begins with it: most identifiers are told apart without the lookup.
  std::array<std::uint64_t, 256> keywordLengths_{};
  std::array<std::uint64_t, 256> keywordEndLengths_{};  // the same by the last byte
  bool keywordLengthsKnown_ = false;  // no keyword is empty or 64 bytes long or more
  std::string keywordKey_;  // reused for the lookups
  // A short table's keywords in ASCII upper case, compared directly rather
  // than looked up in the map (empty for a long table).
  std::vector<std::pair<std::string, int>> upperKeywords_;
  size_t pos_ = 0;
  int prevPos_ = 0;
  bool keepQuotes_ = true;
  const TLexemeTable* symbols_ = nullptr;
  const TLexemeTable* keywords_ = nullptr;
};

}  // namespace migwiz::platform
