// The per-user settings of the wizard: the stand-in for the registry key
// "Software\Corvane" of the current user. One file, under $XDG_CONFIG_HOME
// (or ~/.config), whose path follows the key: Software/Corvane.ini. Sections
// hold typed values that read back as written; every change is saved at
// once, atomically, into what the file holds at that moment (so a store
// opened earlier never undoes what another wrote since), and a damaged file
// is read as far as it goes. A file that cannot be written raises
// ESettingsError.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/FileSystem.h"
#include "platform/IniFile.h"

namespace migwiz::platform {

class ESettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSettingsStore : public TMemIniFile {
 public:
  // The store of a root key such as "Software\Corvane".
  explicit TSettingsStore(const std::string& rootKey, FileSystem& fs = SystemFileSystem());
  // A store kept in the given file.
  static TSettingsStore AtPath(const std::string& fileName, FileSystem& fs = SystemFileSystem());

  const std::string& FileName() const { return fileName_; }
  // Lines of the file that could not be read.
  int DamagedLines() const { return damagedLines_; }
  // False when the last save failed (it raised); the values stay in memory.
  bool Saved() const { return saved_; }

  static std::string ConfigHome();

 protected:
  void Changed(const std::string& section, const std::string& ident, const Value& value) override;

 private:
  struct FileTag {};
  TSettingsStore(FileTag, std::string fileName, FileSystem& fs);
  void Load();
  std::string Serialize() const;

  FileSystem& fs_;
  std::string fileName_;
  int damagedLines_ = 0;
  bool saved_ = true;
  std::string unreadable_;  // why a file that exists could not be read
  bool loading_ = false;
};

// Escapes CR, LF, '=' and backslashes so a name or value fits on one line, and back.
std::string EscapeValue(const std::string& value);
std::string UnescapeValue(const std::string& text);

}  // namespace migwiz::platform
