// Binary component stream to its text form, laid out as the component
// library writes it.
#include <algorithm>
#include <cstring>

#include "streams/ComponentStream.h"
#include "streams/FloatText.h"
#include "platform/TextCodec.h"

namespace migwiz::platform {

namespace {

class StreamReader {
 public:
  explicit StreamReader(std::string_view data) : data_(data) {}

  size_t Pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }

  void Need(size_t n, const char* what) const {
    if (data_.size() - pos_ < n) throw EStreamError(std::string("stream cut short in ") + what, pos_);
  }
  uint8_t PeekByte(const char* what) const {
    Need(1, what);
    return static_cast<uint8_t>(data_[pos_]);
  }
  uint8_t ReadByte(const char* what) {
    uint8_t b = PeekByte(what);
    ++pos_;
    return b;
  }
  uint64_t ReadLE(int size, const char* what) {
    Need(size, what);
    uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data_[pos_ + i]);
    pos_ += size;
    return v;
  }
  std::string_view ReadBytes(uint64_t n, const char* what) {
    if (n > data_.size() - pos_)
      throw EStreamError(std::string("length ") + std::to_string(n) + " of " + what +
                             " runs past the end of the stream",
                         pos_);
    std::string_view r = data_.substr(pos_, static_cast<size_t>(n));
    pos_ += static_cast<size_t>(n);
    return r;
  }
  std::string ReadShortStr(const char* what) {
    uint8_t len = ReadByte(what);
    return std::string(ReadBytes(len, what));
  }
  bool EndOfList() const { return PeekByte("a list") == 0; }
  void ReadListEnd() { ReadByte("a list end"); }

 private:
  std::string_view data_;
  size_t pos_ = 0;
};

bool IsValidUtf8(std::string_view s) { return SanitizeUtf8(s) == s; }

// Short strings hold UTF-8; older streams may hold code-page text.
std::string NameText(const std::string& raw) {
  return IsValidUtf8(raw) ? raw : AnsiCodePage::System().Decode(raw);
}


bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// A name the text form can carry: an identifier (dotted where allowed) that
// is none of the words that open or close an object.
bool IsValidName(std::string_view name, bool dotted) {
  if (name.empty()) return false;
  bool wordStart = true;
  for (unsigned char c : name) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
    bool digit = c >= '0' && c <= '9';
    if (c == '.' && dotted && !wordStart) {
      wordStart = true;
      continue;
    }
    if (!letter && !(digit && !wordStart)) return false;
    wordStart = false;
  }
  if (wordStart) return false;  // ends in a dot
  for (const char* word : {"object", "inherited", "inline", "end", "item"})
    if (SameAscii(name, word)) return false;
  return true;
}

class Converter {
 public:
  explicit Converter(std::string_view stream) : in_(stream) {}

  TStringKinds Kinds() const { return kinds_; }
  size_t End() const { return in_.Pos(); }

  std::string Run() {
    if (in_.ReadBytes(4, "the signature") != "TPF0") throw EStreamError("not a component stream (no TPF0 signature)", 0);
    ConvertObject();
    return out_;
  }

 private:
  static constexpr int kLineLength = 64;
  static constexpr int kBytesPerLine = 32;

  void Write(std::string_view s) { out_.append(s); }
  void WriteIndent() {
    for (int i = 0; i < level_; ++i) out_ += "  ";
  }
  void NewLine() {
    out_ += "\r\n";
    WriteIndent();
  }
  void Enter() {
    if (++depth_ > kMaxStreamNesting) throw EStreamError("nesting too deep", in_.Pos());
  }
  void Leave() { --depth_; }

  void ConvertObject() {
    Enter();
    ConvertHeader();
    ++level_;
    while (!in_.EndOfList()) ConvertProperty();
    in_.ReadListEnd();
    while (!in_.EndOfList()) ConvertObject();
    in_.ReadListEnd();
    --level_;
    WriteIndent();
    Write("end\r\n");
    Leave();
  }

  void ConvertHeader() {
    uint8_t flags = 0;
    int64_t position = 0;
    if ((in_.PeekByte("an object header") & 0xF0) == 0xF0) {
      flags = in_.ReadByte("an object header") & 0x0F;
      if (flags & 0x02) position = ReadInteger("a child position");
    }
    std::string className = ReadName("a class name", false);
    std::string objectName = NameText(in_.ReadShortStr("an object name"));
    if (!objectName.empty() && !IsValidName(objectName, false))
      throw EStreamError("invalid object name \"" + objectName + "\"", in_.Pos());
    WriteIndent();
    Write(flags & 0x01 ? "inherited " : flags & 0x04 ? "inline " : "object ");
    if (!objectName.empty()) {
      Write(objectName);
      Write(": ");
    }
    Write(className);
    if (flags & 0x02) Write(" [" + std::to_string(position) + "]");
    Write("\r\n");
  }

  void ConvertProperty() {
    WriteIndent();
    Write(ReadName("a property name", true));
    Write(" = ");
    ConvertValue();
    Write("\r\n");
  }

  std::string ReadName(const char* what, bool dotted) {
    size_t at = in_.Pos();
    std::string name = NameText(in_.ReadShortStr(what));
    if (!IsValidName(name, dotted))
      throw EStreamError(std::string("invalid name \"") + name + "\" for " + what, at);
    return name;
  }

  int64_t ReadInteger(const char* what) {
    size_t at = in_.Pos();
    switch (static_cast<TValueType>(in_.ReadByte(what))) {
      case TValueType::vaInt8: return static_cast<int8_t>(in_.ReadLE(1, what));
      case TValueType::vaInt16: return static_cast<int16_t>(in_.ReadLE(2, what));
      case TValueType::vaInt32: return static_cast<int32_t>(in_.ReadLE(4, what));
      case TValueType::vaInt64: return static_cast<int64_t>(in_.ReadLE(8, what));
      default: throw EStreamError(std::string("integer expected for ") + what, at);
    }
  }

  void ConvertValue() {
    size_t at = in_.Pos();
    auto kind = static_cast<TValueType>(in_.PeekByte("a value"));
    switch (kind) {
      case TValueType::vaList: ConvertList(); return;
      case TValueType::vaInt8:
      case TValueType::vaInt16:
      case TValueType::vaInt32:
      case TValueType::vaInt64: Write(std::to_string(ReadInteger("a value"))); return;
      case TValueType::vaExtended: {
        in_.ReadByte("a value");
        std::string_view b = in_.ReadBytes(10, "an extended value");
        Write(FormatExtended(ExtendedFromBytes(reinterpret_cast<const unsigned char*>(b.data()))));
        return;
      }
      case TValueType::vaDouble: Write(FormatExtended(ReadDouble())); return;
      case TValueType::vaSingle: {
        in_.ReadByte("a value");
        uint32_t bits = static_cast<uint32_t>(in_.ReadLE(4, "a single value"));
        float f;
        std::memcpy(&f, &bits, 4);
        Write(FormatSingle(f) + "s");
        return;
      }
      case TValueType::vaCurrency:
        in_.ReadByte("a value");
        Write(std::to_string(static_cast<int64_t>(in_.ReadLE(8, "a currency value"))) + "c");
        return;
      case TValueType::vaDate: Write(FormatDate(ReadDouble()) + "d"); return;
      case TValueType::vaString:
      case TValueType::vaLString:
      case TValueType::vaWString:
      case TValueType::vaUTF8String: ConvertString(ReadString()); return;
      case TValueType::vaIdent:
        in_.ReadByte("a value");
        Write(ReadName("an identifier", true));
        return;
      case TValueType::vaFalse: in_.ReadByte("a value"); Write("False"); return;
      case TValueType::vaTrue: in_.ReadByte("a value"); Write("True"); return;
      case TValueType::vaNil: in_.ReadByte("a value"); Write("nil"); return;
      case TValueType::vaNull: in_.ReadByte("a value"); Write("Null"); return;
      case TValueType::vaBinary: ConvertBinary(); return;
      case TValueType::vaSet: ConvertSet(); return;
      case TValueType::vaCollection: ConvertCollection(); return;
    }
    throw EStreamError("unknown value kind " + std::to_string(static_cast<int>(kind)), at);
  }

  double ReadDouble() {
    in_.ReadByte("a value");
    uint64_t bits = in_.ReadLE(8, "a double value");
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }

  std::u16string ReadString() {
    auto kind = static_cast<TValueType>(in_.ReadByte("a value"));
    switch (kind) {
      case TValueType::vaString:
        return Utf8ToUtf16(AnsiCodePage::System().Decode(NoteKind(in_.ReadShortStr("a string"))));
      case TValueType::vaLString: {
        uint32_t len = static_cast<uint32_t>(in_.ReadLE(4, "a string length"));
        return Utf8ToUtf16(AnsiCodePage::System().Decode(NoteKind(in_.ReadBytes(len, "a string"))));
      }
      case TValueType::vaUTF8String: {
        uint32_t len = static_cast<uint32_t>(in_.ReadLE(4, "a string length"));
        return Utf8ToUtf16(SanitizeUtf8(in_.ReadBytes(len, "a string")));
      }
      default: {
        uint32_t len = static_cast<uint32_t>(in_.ReadLE(4, "a string length"));
        std::string_view bytes = in_.ReadBytes(uint64_t{len} * 2, "a wide string");
        std::u16string out(len, u'\0');
        for (uint32_t i = 0; i < len; ++i)
          out[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                         (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
        return out;
      }
    }
  }

  // Printable ASCII between apostrophes; everything else as #code; lines of
  // at most 64 characters joined with " +".
  void ConvertString(const std::u16string& w) {
    const int l = static_cast<int>(w.size());
    if (l == 0) {
      Write("''");
      return;
    }
    auto plain = [&w](int i) { return w[i] >= u' ' && w[i] != u'\'' && w[i] <= 127; };
    ++level_;
    if (l > kLineLength) NewLine();
    int i = 0, k = 0;
    do {
      bool lineBreak = false;
      if (plain(i)) {
        int j = i;
        do ++i;
        while (i < l && plain(i) && i - k < kLineLength);
        if (i - k >= kLineLength) lineBreak = true;
        Write("'");
        for (; j < i; ++j) out_.push_back(static_cast<char>(w[j]));
        Write("'");
      } else {
        Write("#" + std::to_string(static_cast<int>(w[i])));
        ++i;
        if (i - k >= kLineLength) lineBreak = true;
      }
      if (lineBreak && i < l) {
        Write(" +");
        NewLine();
        k = i;
      }
    } while (i < l);
    --level_;
  }

  void ConvertList() {
    Enter();
    in_.ReadByte("a value");
    Write("(");
    ++level_;
    while (!in_.EndOfList()) {
      NewLine();
      ConvertValue();
    }
    in_.ReadListEnd();
    --level_;
    Write(")");
    Leave();
  }

  void ConvertBinary() {
    static const char kHex[] = "0123456789ABCDEF";
    in_.ReadByte("a value");
    uint32_t count = static_cast<uint32_t>(in_.ReadLE(4, "a binary length"));
    std::string_view bytes = in_.ReadBytes(count, "binary data");
    Write("{");
    ++level_;
    const bool multiLine = count >= kBytesPerLine;
    for (size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
      if (multiLine) NewLine();
      for (size_t i = at; i < bytes.size() && i < at + kBytesPerLine; ++i) {
        auto b = static_cast<uint8_t>(bytes[i]);
        out_.push_back(kHex[b >> 4]);
        out_.push_back(kHex[b & 15]);
      }
    }
    --level_;
    Write("}");
  }

  void ConvertSet() {
    in_.ReadByte("a value");
    Write("[");
    for (int n = 0;; ++n) {
      std::string item = in_.ReadShortStr("a set");
      if (item.empty()) break;
      if (n > 0) Write(", ");
      if (!IsValidName(NameText(item), false))
        throw EStreamError("invalid set element \"" + item + "\"", in_.Pos());
      Write(NameText(item));
    }
    Write("]");
  }

  void ConvertCollection() {
    Enter();
    in_.ReadByte("a value");
    Write("<");
    ++level_;
    while (!in_.EndOfList()) {
      NewLine();
      Write("item");
      auto next = static_cast<TValueType>(in_.PeekByte("a collection item"));
      if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32) {
        Write(" [" + std::to_string(ReadInteger("an item order")) + "]");
      }
      Write("\r\n");
      size_t at = in_.Pos();
      if (in_.ReadByte("a collection item") != static_cast<uint8_t>(TValueType::vaList))
        throw EStreamError("collection item without its property list", at);
      ++level_;
      while (!in_.EndOfList()) ConvertProperty();
      in_.ReadListEnd();
      --level_;
      WriteIndent();
      Write("end");
    }
    in_.ReadListEnd();
    --level_;
    Write(">");
    Leave();
  }

  // A code-page string with a byte outside ASCII: the code-page era wrote it.
  std::string_view NoteKind(std::string_view bytes) {
    if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
      kinds_ = TStringKinds::CodePage;
    return bytes;
  }

  StreamReader in_;
  std::string out_;
  TStringKinds kinds_ = TStringKinds::Unicode;
  int level_ = 0;
  int depth_ = 0;
};

}  // namespace

std::string ObjectBinaryToTextUtf8(std::string_view stream, size_t baseOffset, TStringKinds* kinds,
                                   size_t* streamEnd) {
  try {
    Converter converter(stream);
    std::string text = converter.Run();
    if (kinds) *kinds = converter.Kinds();
    if (streamEnd) *streamEnd = converter.End();
    return text;
  } catch (const EStreamError& e) {
    if (baseOffset == 0) throw;
    std::string what = e.what();
    what = what.substr(0, what.rfind(" at byte offset "));
    throw EStreamError(what, e.Offset() + baseOffset);
  }
}

std::string ObjectBinaryToText(std::string_view stream, size_t baseOffset) {
  const AnsiCodePage& cp = AnsiCodePage::System();
  std::string text = ObjectBinaryToTextUtf8(stream, baseOffset);
  std::string bytes = cp.Encode(text);
  // Strings are written with #codes; only a name can hold what the code page lacks.
  if (cp.Decode(bytes) != text)
    throw EStreamError("a name holds characters that code page " + cp.Name() + " cannot write",
                       baseOffset);
  return bytes;
}

}  // namespace migwiz::platform
