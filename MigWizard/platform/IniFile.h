// A settings file with sections and typed named values: the stand-in for the
// host's registry-backed settings. Names are compared without regard to case.
#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

namespace migwiz::platform {

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

class TCustomIniFile {
 public:
  virtual ~TCustomIniFile() = default;
  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) = 0;
  virtual long ReadInteger(const std::string& section, const std::string& ident, long def) = 0;
  virtual bool ReadBool(const std::string& section, const std::string& ident, bool def) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) = 0;
  virtual void WriteInteger(const std::string& section, const std::string& ident, long value) = 0;
  virtual void WriteBool(const std::string& section, const std::string& ident, bool value) = 0;
  virtual bool ValueExists(const std::string& section, const std::string& ident) = 0;
};

// Values kept in memory with their types; the base of the per-user store.
class TMemIniFile : public TCustomIniFile {
 public:
  using Value = std::variant<long, std::string, bool>;
  using Section = std::map<std::string, Value, NoCaseLess>;

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& def) override;
  long ReadInteger(const std::string& section, const std::string& ident, long def) override;
  bool ReadBool(const std::string& section, const std::string& ident, bool def) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  void WriteInteger(const std::string& section, const std::string& ident, long value) override;
  void WriteBool(const std::string& section, const std::string& ident, bool value) override;
  bool ValueExists(const std::string& section, const std::string& ident) override;

  const std::map<std::string, Section, NoCaseLess>& Sections() const { return sections_; }
  void Clear() { sections_.clear(); }

 protected:
  // After a value was written.
  virtual void Changed(const std::string& /*section*/, const std::string& /*ident*/, const Value& /*value*/) {}
  void Assign(const TMemIniFile& other) { sections_ = other.sections_; }
  const Value* Find(const std::string& section, const std::string& ident) const;
  void Set(const std::string& section, const std::string& ident, Value value);

 private:
  std::map<std::string, Section, NoCaseLess> sections_;
};

}  // namespace migwiz::platform
