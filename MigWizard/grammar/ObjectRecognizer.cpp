#include "grammar/ObjectRecognizer.h"

namespace migwiz::grammar {

namespace {

// The engine gives up past 300,000 levels of nesting. Its rules recurse
// once for each property of an object, each item of a list (or each second
// one), each part of a string and each part of a dotted name, and a few
// dozen times for each object or collection inside another. The depth
// counted here (a level for each of those on the way to where the reader
// stands, 40 for each object or collection) is never less than the
// engine's; below this bound the engine cannot reach its limit.
constexpr size_t kSafeDepth = 250000;
constexpr size_t kLevelsPerNesting = 40;
constexpr int kMaxNesting = 1000;  // also keeps this reader's own stack small

bool IsBlank(unsigned char c) { return c == 9 || c == 10 || c == 13 || c == 32; }
bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNamePart(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsHex(unsigned char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
unsigned char Lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }
bool IsNumberType(unsigned char c) { return Lower(c) == 's' || Lower(c) == 'd' || Lower(c) == 'c'; }

// Puts the depth back where it was when the engine's rules for a part have
// returned.
struct TDepthScope {
  size_t& depth;
  size_t saved = depth;
  ~TDepthScope() { depth = saved; }
};

}  // namespace

bool TObjectRecognizer::Step() {
  ++depth_;
  if (depth_ + kLevelsPerNesting * static_cast<size_t>(nesting_) + 100 > kSafeDepth) unsure_ = true;
  return !unsure_;
}

bool TObjectRecognizer::Word(size_t p, std::string_view lowerWord) const {
  for (size_t i = 0; i < lowerWord.size(); ++i)
    if (Lower(At(p + i)) != static_cast<unsigned char>(lowerWord[i])) return false;
  return true;
}

size_t TObjectRecognizer::Blanks(size_t p) const {
  while (IsBlank(At(p))) ++p;
  return p;
}

size_t TObjectRecognizer::Name(size_t p) const {
  if (!IsNameStart(At(p))) return kFail;
  ++p;
  while (IsNamePart(At(p))) ++p;
  return p;
}

// Dotted: a '.' is taken only where a name follows it.
size_t TObjectRecognizer::PropName(size_t p) {
  size_t end = Name(p);
  while (end != kFail && At(end) == '.') {
    const size_t next = Name(end + 1);
    if (next == kFail || !Step()) break;
    end = next;
  }
  return end;
}

size_t TObjectRecognizer::Digits(size_t p) const {
  const size_t start = p;
  while (IsDigit(At(p))) ++p;
  return p > start ? p : kFail;
}

size_t TObjectRecognizer::Hexs(size_t p) const {
  const size_t start = p;
  while (IsHex(At(p))) ++p;
  return p > start ? p : kFail;
}

size_t TObjectRecognizer::Int(size_t p) const { return Digits(At(p) == '-' || At(p) == '+' ? p + 1 : p); }

// Digits with an optional sign, fraction and exponent; a fraction or an
// exponent that is not complete is left out.
size_t TObjectRecognizer::Number(size_t p) const {
  const size_t digits = Digits(At(p) == '-' || At(p) == '+' ? p + 1 : p);
  if (digits == kFail) return kFail;
  if (Lower(At(digits)) == 'e')
    if (size_t exponent = Int(digits + 1); exponent != kFail) return exponent;
  if (At(digits) != '.') return digits;
  const size_t fraction = Digits(digits + 1);
  if (fraction == kFail) return digits;
  if (Lower(At(fraction)) == 'e')
    if (size_t exponent = Int(fraction + 1); exponent != kFail) return exponent;
  return fraction;
}

// A value that begins where no blank is, as the first alternative of the
// value rule that matches takes it.
size_t TObjectRecognizer::Value(size_t p) {
  const unsigned char c = At(p);
  if (c == '-' && Word(p, "-inf")) return IsNumberType(At(p + 4)) ? p + 5 : p + 4;
  if (c == '-' || c == '+' || IsDigit(c)) {
    const size_t end = Number(p);
    return end != kFail && IsNumberType(At(end)) ? end + 1 : end;
  }
  if (c == '(') {
    const size_t strings = Strings(p);
    return strings != kFail ? strings : Numbers(p);
  }
  if (c == '\'' || c == '#') return String(p);
  if (c == '[') return Set(p);
  if (c == '$') {
    const size_t end = Hexs(p + 1);
    return end;
  }
  if (IsNameStart(c)) {
    const size_t first = Name(p);
    if (At(first) != '.') return first;
    const size_t second = Name(first + 1);
    if (second == kFail) return first;
    if (At(second) == '.')
      if (size_t path = PropName(second + 1); path != kFail) return path;
    return second;
  }
  if (c == '<') return Collection(p);
  if (c == '{') return Binary(p);
  return kFail;
}

// Where a value begins with blanks, only a string continued with '+' matches.
size_t TObjectRecognizer::ValueAfterBlank(size_t p) {
  int continuations = 0;
  const size_t end = ContinuedString(Blanks(p), continuations);
  return continuations > 0 ? end : kFail;
}

size_t TObjectRecognizer::StringSegment(size_t p) {
  if (At(p) == '\'') {
    if (At(p + 1) == '\'') return p + 2;
    size_t q = p + 1;
    while (q < s_.size() && s_[q] != '\'' && s_[q] != '\0') ++q;  // At(q) below notes how far
    return q > p + 1 && At(q) == '\'' ? q + 1 : kFail;
  }
  size_t end = kFail;
  while (At(p) == '#') {
    const size_t digits = Digits(p + 1);
    if (digits == kFail || !Step()) break;
    end = p = digits;
  }
  return end;
}

// Quoted parts and #nn characters, one after the other.
size_t TObjectRecognizer::String(size_t p) {
  size_t end = StringSegment(p);
  if (end == kFail) return kFail;
  while (Step()) {
    const size_t next = StringSegment(end);
    if (next == kFail) break;
    end = next;
  }
  return end;
}

// Strings joined by '+' (blanks allowed around it); a '+' not followed by a
// string is not taken.
size_t TObjectRecognizer::ContinuedString(size_t p, int& continuations) {
  size_t end = String(p);
  if (end == kFail) return kFail;
  for (;;) {
    const size_t plus = Blanks(end);
    if (At(plus) != '+') break;
    const size_t next = String(Blanks(plus + 1));
    if (next == kFail || !Step()) break;
    end = next;
    ++continuations;
  }
  return end;
}

// An opening character, items separated by blanks, the closing character:
// item reads one and gives where it ends.
template <class Item>
size_t TObjectRecognizer::List(size_t p, unsigned char close, Item item) {
  size_t at = Blanks(p + 1);
  if (At(at) == close) return at + 1;
  for (;;) {
    if (!Step()) return kFail;
    size_t end;
    {
      TDepthScope scope{depth_};
      end = item(at);
    }
    if (end == kFail) return kFail;
    const size_t next = Blanks(end);
    if (At(next) == close) return next + 1;
    if (next == end) return kFail;
    at = next;
  }
}

// "(" then strings separated by blanks, then ")".
size_t TObjectRecognizer::Strings(size_t p) {
  return List(p, ')', [this](size_t at) {
    int continuations = 0;
    return ContinuedString(at, continuations);
  });
}

// "(" then numbers separated by blanks, then ")".
size_t TObjectRecognizer::Numbers(size_t p) {
  return List(p, ')', [this](size_t at) { return Number(at); });
}

// "[" then names separated by commas, then "]".
size_t TObjectRecognizer::Set(size_t p) {
  size_t at = Blanks(p + 1);
  if (At(at) == ']') return at + 1;
  for (;;) {
    const size_t name = Name(at);
    if (name == kFail || !Step()) return kFail;
    const size_t next = Blanks(name);
    if (At(next) == ']') return next + 1;
    if (At(next) != ',') return kFail;
    at = Blanks(next + 1);
  }
}

// "{" then runs of hex digits separated by blanks, then "}".
size_t TObjectRecognizer::Binary(size_t p) {
  return List(p, '}', [this](size_t at) { return Hexs(at); });
}

// "<" then items separated by blanks, then ">" ("<>" too).
size_t TObjectRecognizer::Collection(size_t p) {
  if (++nesting_ > kMaxNesting) unsure_ = true;
  struct Leave {
    int& nesting;
    ~Leave() { --nesting; }
  } leave{nesting_};
  return List(p, '>', [this](size_t at) { return CollectionItem(at); });
}

// "item", an optional "[n]", its properties and "end".
size_t TObjectRecognizer::CollectionItem(size_t p) {
  if (!Word(p, "item")) return kFail;
  size_t at = p + 4;
  if (At(at) != '[') {
    at = Blanks(at);
    if (at == p + 4) return kFail;
  }
  if (At(at) == '[') {
    const size_t index = Int(at + 1);
    if (index == kFail || At(index) != ']') return kFail;
    at = Blanks(index + 1);
    if (at == index + 1) return kFail;
  }
  const size_t props = ItemProperties(at);
  if (props == kFail || !Word(props, "end")) return kFail;
  return props + 3;
}

// One or more properties, each followed by blanks.
size_t TObjectRecognizer::ItemProperties(size_t p) {
  size_t end = kFail;
  for (size_t at = p;;) {
    size_t prop;
    {
      TDepthScope scope{depth_};
      prop = ItemProperty(at);
    }
    if (prop == kFail || !IsBlank(At(prop)) || !Step()) break;
    end = at = Blanks(prop);
  }
  return end;
}

size_t TObjectRecognizer::ItemProperty(size_t p) {
  const size_t name = PropName(p);
  if (name == kFail) return kFail;
  const size_t equals = Blanks(name);
  if (At(equals) != '=') return kFail;
  const size_t value = equals + 1;
  if (!IsBlank(At(value))) return Value(value);
  if (size_t continued = ValueAfterBlank(value); continued != kFail) return continued;
  return Value(Blanks(value));
}

// The keyword, the name, ':', the class and an optional "[n]".
size_t TObjectRecognizer::Header(size_t p, TRecognizedObject* top) {
  size_t keyword = kFail;
  for (std::string_view word : {"object", "inline", "inherited"})
    if (Word(p, word)) keyword = p + word.size();
  if (keyword == kFail) return kFail;
  const size_t nameStart = Blanks(keyword);
  const size_t nameEnd = nameStart > keyword ? Name(nameStart) : kFail;
  if (nameEnd == kFail) return kFail;
  const size_t colon = Blanks(nameEnd);
  if (At(colon) != ':') return kFail;
  const size_t typeStart = Blanks(colon + 1);
  const size_t typeEnd = Name(typeStart);
  if (typeEnd == kFail) return kFail;
  size_t end = typeEnd;
  if (const size_t open = Blanks(typeEnd); At(open) == '[')
    if (size_t index = Int(open + 1); index != kFail && At(index) == ']') end = index + 1;
  if (top) {
    top->keywordStart = p;
    top->keywordEnd = keyword;
    top->nameStart = nameStart;
    top->nameEnd = nameEnd;
    top->typeStart = typeStart;
    top->typeEnd = typeEnd;
  }
  return end;
}

// A property followed by blanks. A value the grammar takes but that blanks
// do not follow would be handed out and then given up: left to the engine.
size_t TObjectRecognizer::Property(size_t p, TRecognizedItem& item) {
  TDepthScope scope{depth_};
  const size_t name = PropName(p);
  if (name == kFail) return kFail;
  const size_t equals = Blanks(name);
  if (At(equals) != '=') return kFail;
  size_t start = equals + 1;
  size_t value = kFail;
  if (IsBlank(At(start))) {
    value = ValueAfterBlank(start);
    if (value != kFail && !IsBlank(At(value))) unsure_ = true;
    if (value == kFail) value = Value(start = Blanks(start));
  } else {
    value = Value(start);
  }
  if (value == kFail) return kFail;
  if (!IsBlank(At(value))) {
    unsure_ = true;
    return kFail;
  }
  item.nameStart = p;
  item.nameEnd = name;
  item.valueStart = start;
  item.valueEnd = value;
  return Blanks(value);
}

size_t TObjectRecognizer::Object(size_t p, TRecognizedObject* top) {
  TDepthScope scope{depth_};
  if (++nesting_ > kMaxNesting) unsure_ = true;
  struct Leave {
    int& nesting;
    ~Leave() { --nesting; }
  } leave{nesting_};
  const size_t header = Header(p, top);
  if (header == kFail || !IsBlank(At(header))) return kFail;
  size_t at = Blanks(header);
  auto endsHere = [this](size_t q) {
    const unsigned char after = At(q + 3);
    return Word(q, "end") && (after == 0 || IsBlank(after));
  };
  if (endsHere(at)) return Blanks(at + 3);
  bool any = false;
  for (;;) {
    if (unsure_ || !Step()) return kFail;
    TRecognizedItem item;
    size_t next = Property(at, item);
    if (next == kFail) {
      const size_t child = Object(at, nullptr);
      if (child == kFail) break;
      item.nested = true;
      item.textStart = at;
      while (item.textStart > 0 && s_[item.textStart - 1] == ' ') --item.textStart;
      item.textEnd = child;
      while (item.textEnd > 0 && IsBlank(At(item.textEnd - 1))) --item.textEnd;
      next = child;
    }
    if (top) top->items.push_back(item);
    any = true;
    at = next;
  }
  if (!any || !endsHere(at)) return kFail;
  if (top) top->readTwice = !IsBlank(At(at + 3));
  return Blanks(at + 3);
}

bool TObjectRecognizer::Recognize(size_t pos, TRecognizedObject& out) {
  out = TRecognizedObject();
  depth_ = 0;
  nesting_ = 0;
  unsure_ = false;
  furthest_ = pos;
  const size_t end = Object(pos, &out);
  out.furthestRead = furthest_;
  if (end == kFail || unsure_) return false;
  out.end = end;
  return true;
}

}  // namespace migwiz::grammar
