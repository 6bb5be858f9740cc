#include "platform/KryParser.h"

#include <algorithm>
#include <typeinfo>
#include <vector>

#include "platform/CharClass.h"
#include "platform/Utf8.h"

namespace migwiz::platform {

int KryCmpStrings(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {

// Keyword tables up to this size are searched directly.
constexpr size_t kShortKeywordTable = 16;

// A byte as KryCmpStrings compares it.
unsigned char AsciiUpper(char c) {
  auto x = static_cast<unsigned char>(c);
  return x >= 'a' && x <= 'z' ? static_cast<unsigned char>(x - 32) : x;
}

}  // namespace

TParser::TParser(std::string text) : own_(std::move(text)), text_(own_) {}
TParser::TParser(TBorrowedText text) : text_(text.text) {}

void TParser::SetText(std::string text) {
  own_ = std::move(text);
  text_ = own_;
  pos_ = 0;
  prevPos_ = 0;
}

void TParser::SetSymbols(const TLexemeTable* symbols) {
  symbols_ = symbols;
  asciiSymbol_.fill(lcOther);
  if (!symbols_) return;
  // As the table finds them: letters in either case.
  for (const auto& [symbol, code] : *symbols_) {
    if (symbol.size() != 1 || (static_cast<unsigned char>(symbol[0]) & 0x80) != 0) continue;
    const char c = symbol[0];
    asciiSymbol_[static_cast<unsigned char>(c)] = code;
    if (c >= 'a' && c <= 'z') asciiSymbol_[static_cast<unsigned char>(c - 32)] = code;
    if (c >= 'A' && c <= 'Z') asciiSymbol_[static_cast<unsigned char>(c + 32)] = code;
  }
}

// KryCmpStrings tells keywords apart by their ASCII upper case.
void TParser::SetKeywords(const TLexemeTable* keywords) {
  keywords_ = keywords;
  longestKeyword_ = 0;
  keywordLengths_.fill(0);
  keywordEndLengths_.fill(0);
  keywordLengthsKnown_ = false;
  upperKeywords_.clear();
  if (!keywords_) return;
  keywordLengthsKnown_ = true;
  if (keywords_->size() <= kShortKeywordTable)
    for (const auto& [word, code] : *keywords_) {
      std::string upper(word.size(), '\0');
      std::transform(word.begin(), word.end(), upper.begin(), AsciiUpper);
      upperKeywords_.emplace_back(std::move(upper), code);
    }
  for (const auto& entry : *keywords_) {
    const std::string& word = entry.first;
    longestKeyword_ = std::max(longestKeyword_, word.size());
    if (word.empty() || word.size() >= 64)
      keywordLengthsKnown_ = false;
    else {
      keywordLengths_[AsciiUpper(word[0])] |= std::uint64_t{1} << word.size();
      keywordEndLengths_[AsciiUpper(word.back())] |= std::uint64_t{1} << word.size();
    }
  }
}

// Most words are told apart here, in GetNext itself; the rest are looked up.
inline int TParser::KeywordCode(std::string_view word) {
  if (!keywords_ || word.size() > longestKeyword_) return lcIdent;
  if (keywordLengthsKnown_ && !word.empty() &&
      (((keywordLengths_[AsciiUpper(word[0])] & keywordEndLengths_[AsciiUpper(word.back())]) >> word.size()) & 1) == 0)
    return lcIdent;
  return LookUpKeyword(word);
}

int TParser::LookUpKeyword(std::string_view word) {
  if (!upperKeywords_.empty()) {
    // Equal as KryCmpStrings compares: byte for byte in ASCII upper case.
    for (const auto& [upper, code] : upperKeywords_)
      if (upper.size() == word.size() &&
          std::equal(word.begin(), word.end(), upper.begin(), [](char w, char u) { return AsciiUpper(w) == static_cast<unsigned char>(u); }))
        return code;
    return lcIdent;
  }
  auto it = keywords_->find(keywordKey_.assign(word));
  return it == keywords_->end() ? lcIdent : it->second;
}

bool TParser::IsBlank(char32_t c) const { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool TParser::IsSymbol(char32_t c) const { return c < 128 && std::ispunct(static_cast<int>(c)); }
bool TParser::IsAlpha(char32_t c) const {
  return c == '_' || (c < 128 ? std::isalpha(static_cast<int>(c)) != 0 : IsLetter(c));
}
bool TParser::IsNumber(char32_t c) const { return c >= '0' && c <= '9'; }
bool TParser::IsStringQuote(char32_t c) const { return c == '\'' || c == '"'; }

// Learnt once per tokenizer class and thread: a run makes a tokenizer for
// every scan of every file.
void TParser::LearnAsciiClasses() {
  struct Learnt {
    const std::type_info* type;
    std::array<std::uint8_t, 128> classes;
  };
  thread_local std::vector<Learnt> learnt;
  const std::type_info& type = typeid(*this);
  for (const Learnt& l : learnt)
    if (*l.type == type) {
      asciiClass_ = l.classes;
      asciiLearnt_ = true;
      return;
    }
  for (char32_t c = 0; c < 128; ++c) {
    const bool alpha = IsAlpha(c);
    asciiClass_[c] = static_cast<std::uint8_t>((IsBlank(c) ? kBlank : 0) | (IsSymbol(c) ? kSymbol : 0) |
                                               (alpha ? kAlpha : 0) | (IsNumber(c) ? kNumber : 0) |
                                               (IsStringQuote(c) ? kQuote : 0) |
                                               (alpha || (c >= '0' && c <= '9') ? kName : 0));
  }
  asciiLearnt_ = true;
  learnt.push_back({&type, asciiClass_});
}

bool TParser::IsOther(char32_t c, std::uint8_t kind) const {
  switch (kind) {
    case kBlank: return IsBlank(c);
    case kSymbol: return IsSymbol(c);
    case kAlpha: return IsAlpha(c);
    case kNumber: return IsNumber(c);
    default: return IsStringQuote(c);
  }
}

char32_t TParser::DecodeAt(size_t pos, size_t* len) const {
  size_t i = pos;
  int32_t c = NextUtf8(text_, i);
  if (len) *len = i - pos;
  return c < 0 ? 0xFFFD : static_cast<char32_t>(c);
}

size_t TParser::CommentEnd(size_t pos) const {
  const char first = text_[pos];
  if (first != '{' && first != '(' && first != '/') return 0;
  std::string_view rest = text_.substr(pos);
  auto closeAt = [&](std::string_view close, size_t from) {
    size_t at = text_.find(close, pos + from);
    return at == std::string::npos ? text_.size() : at + close.size();
  };
  if (rest.substr(0, 1) == "{") return closeAt("}", 1);
  if (rest.substr(0, 2) == "(*") return closeAt("*)", 2);
  if (rest.substr(0, 2) == "//") {
    size_t at = text_.find_first_of("\r\n", pos);
    return at == std::string::npos ? text_.size() : at;
  }
  return 0;
}

// A string runs to its closing quote (a doubled quote stays inside) and never
// past the end of its line.
size_t TParser::StringEnd(size_t pos) const {
  const char* const data = text_.data();
  const size_t size = text_.size();
  const char quote = data[pos];
  size_t i = pos + 1;
  while (i < size) {
    const char ch = data[i];
    if (ch == '\r' || ch == '\n') break;
    if (ch == quote) {
      if (i + 1 < size && data[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return i;
}

int TParser::GetNext(std::string& lexeme) {
  std::string_view view;
  int code = GetNext(view);
  lexeme.assign(view);
  return code;
}

int TParser::GetNext(std::string_view& lexeme) {
  lexeme = std::string_view();
  prevPos_ = static_cast<int>(pos_);
  if (pos_ >= text_.size()) return lcEnd;
  if (!asciiLearnt_) LearnAsciiClasses();
  size_t len = 0;
  char32_t c = CharAt(pos_, &len);
  size_t start = pos_;
  int code = lcOther;

  // The runs of blanks and names are read with the place in a local: most
  // of the time goes there.
  const char* const data = text_.data();
  const size_t size = text_.size();
  if (Is(c, kBlank)) {
    size_t p = pos_;
    while (p < size) {
      const auto b = static_cast<unsigned char>(data[p]);
      if (b < 0x80) {  // ASCII, as most text is: by the table alone
        if ((asciiClass_[b] & kBlank) == 0) break;
        ++p;
      } else if (Is(CharAt(p, &len), kBlank)) {
        p += len;
      } else {
        break;
      }
    }
    pos_ = p;
    code = lcBlank;
  } else if (size_t end = (c == '{' || c == '(' || c == '/') ? CommentEnd(pos_) : 0) {
    pos_ = end;
    code = lcComment;
  } else if (Is(c, kQuote)) {
    pos_ = StringEnd(pos_);
    lexeme = text_.substr(start, pos_ - start);
    if (!keepQuotes_ && lexeme.size() >= 2 && lexeme.back() == lexeme.front())
      lexeme = lexeme.substr(1, lexeme.size() - 2);
    else if (!keepQuotes_)
      lexeme = lexeme.substr(1);
    return lcString;
  } else if (Is(c, kAlpha)) {
    size_t p = pos_ + len;
    while (p < size) {
      const auto b = static_cast<unsigned char>(data[p]);
      if (b < 0x80) {  // ASCII: a letter as IsAlpha says or a digit
        if ((asciiClass_[b] & kName) == 0) break;
        ++p;
        continue;
      }
      char32_t d = CharAt(p, &len);
      if (!Is(d, kAlpha) && !IsLetterOrDigit(d)) break;
      p += len;
    }
    pos_ = p;
    code = KeywordCode(text_.substr(start, pos_ - start));
  } else if (Is(c, kNumber)) {  // letters were taken as identifiers above
    pos_ += len;
    while (pos_ < text_.size() && Is(CharAt(pos_, &len), kNumber)) pos_ += len;
    code = lcNumber;
  } else {
    pos_ += len;
    if (Is(c, kSymbol) && symbols_) {
      if (c < 128) {
        code = asciiSymbol_[c];
      } else {
        auto it = symbols_->find(std::string(text_.substr(start, pos_ - start)));
        if (it != symbols_->end()) code = it->second;
      }
    }
  }
  lexeme = text_.substr(start, pos_ - start);
  return code;
}

}  // namespace migwiz::platform
