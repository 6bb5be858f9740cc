// What a run cannot keep in memory until the copy back waits in one file of
// its temporary folder: each piece is appended and read back by where it
// lies, and checked to be the bytes appended, so that another program's
// change to the file is found before a byte of it reaches an original.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace migwiz::replace {

class TSpillFile {
 public:
  // Where one appended piece lies, and what it was.
  struct TPiece {
    std::uint64_t offset = 0;
    size_t size = 0;
    std::uint64_t checksum = 0;
  };

  // The file is made at path when the first bytes are written; it goes
  // with the folder it lies in. Up to buffer bytes of small pieces wait in
  // memory to be written together, and a read reads as far ahead, so that
  // many small pieces cost few writes and reads (0: each piece is written
  // and read on its own).
  TSpillFile(platform::FileSystem& fs, std::string path, size_t buffer = 0);
  TSpillFile(const TSpillFile&) = delete;
  TSpillFile& operator=(const TSpillFile&) = delete;

  // Throws EFCreateError when bytes cannot be written; after a failed write
  // (which may have written part of its bytes) every append fails, while
  // the pieces appended before can still be read. checksum: the bytes'
  // ContentChecksum, where the caller has it already.
  TPiece Append(std::string_view bytes, std::optional<std::uint64_t> checksum = std::nullopt);
  // False, with err naming the file and the cause, when the piece cannot
  // be read whole or is not what was appended.
  bool Read(const TPiece& piece, std::string& bytes, std::string& err);
  // Lets the file go (a folder cannot be removed on every host while a
  // file in it is open).
  void Close() { file_.reset(); }
  const std::string& Path() const { return path_; }

 private:
  void Write(std::string_view bytes);
  void Flush();

  platform::FileSystem& fs_;
  std::string path_;
  size_t buffer_;
  std::unique_ptr<platform::WritableFile> file_;
  std::uint64_t written_ = 0;  // bytes in the file; the pending ones follow
  std::string pending_;
  std::uint64_t aheadAt_ = 0;  // where the bytes last read ahead lie
  std::string ahead_;
  bool made_ = false;
  bool broken_ = false;
};

}  // namespace migwiz::replace
