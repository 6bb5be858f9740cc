#include "platform/KryParser.h"

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

TParser::TParser(std::string text) : text_(std::move(text)) {}

void TParser::SetText(std::string text) {
  text_ = std::move(text);
  pos_ = 0;
  prevPos_ = 0;
}

bool TParser::IsBlank(char32_t c) const { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool TParser::IsSymbol(char32_t c) const { return c < 128 && std::ispunct(static_cast<int>(c)); }
bool TParser::IsAlpha(char32_t c) const {
  return c == '_' || (c < 128 ? std::isalpha(static_cast<int>(c)) != 0 : IsLetter(c));
}
bool TParser::IsNumber(char32_t c) const { return c >= '0' && c <= '9'; }
bool TParser::IsStringQuote(char32_t c) const { return c == '\'' || c == '"'; }

char32_t TParser::CharAt(size_t pos, size_t* len) const {
  size_t i = pos;
  int32_t c = NextUtf8(text_, i);
  if (len) *len = i - pos;
  return c < 0 ? 0xFFFD : static_cast<char32_t>(c);
}

size_t TParser::CommentEnd(size_t pos) const {
  std::string_view rest = std::string_view(text_).substr(pos);
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
  char quote = text_[pos];
  size_t i = pos + 1;
  while (i < text_.size() && text_[i] != '\r' && text_[i] != '\n') {
    if (text_[i] == quote) {
      if (i + 1 < text_.size() && text_[i + 1] == quote) {
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
  lexeme.clear();
  prevPos_ = static_cast<int>(pos_);
  if (pos_ >= text_.size()) return lcEnd;
  size_t len = 0;
  char32_t c = CharAt(pos_, &len);
  size_t start = pos_;
  int code = lcOther;

  if (IsBlank(c)) {
    while (pos_ < text_.size() && IsBlank(CharAt(pos_, &len))) pos_ += len;
    code = lcBlank;
  } else if (size_t end = CommentEnd(pos_)) {
    pos_ = end;
    code = lcComment;
  } else if (IsStringQuote(c)) {
    pos_ = StringEnd(pos_);
    lexeme = text_.substr(start, pos_ - start);
    if (!keepQuotes_ && lexeme.size() >= 2 && lexeme.back() == lexeme.front())
      lexeme = lexeme.substr(1, lexeme.size() - 2);
    else if (!keepQuotes_)
      lexeme = lexeme.substr(1);
    return lcString;
  } else if (IsAlpha(c)) {
    pos_ += len;
    while (pos_ < text_.size()) {
      char32_t d = CharAt(pos_, &len);
      if (!IsAlpha(d) && !(d >= '0' && d <= '9') && !(d >= 128 && IsLetterOrDigit(d))) break;
      pos_ += len;
    }
    code = lcIdent;
    if (keywords_) {
      auto it = keywords_->find(text_.substr(start, pos_ - start));
      if (it != keywords_->end()) code = it->second;
    }
  } else if (IsNumber(c)) {  // letters were taken as identifiers above
    pos_ += len;
    while (pos_ < text_.size() && IsNumber(CharAt(pos_, &len))) pos_ += len;
    code = lcNumber;
  } else {
    pos_ += len;
    if (IsSymbol(c) && symbols_) {
      auto it = symbols_->find(text_.substr(start, pos_ - start));
      if (it != symbols_->end()) code = it->second;
    }
  }
  lexeme = text_.substr(start, pos_ - start);
  return code;
}

}  // namespace migwiz::platform
