#include "replace/SpillFile.h"

#include "resources/RExpertRes.h"
#include "support/Checksum.h"
#include "support/FileErrors.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;
namespace Res = RExpertRes;

TSpillFile::TSpillFile(platform::FileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}

TSpillFile::TPiece TSpillFile::Append(std::string_view bytes) {
  std::string err;
  if (broken_) throw EFCreateError(FormatStr(Res::SSpillFileBroken, {path_}));
  if (!file_) {
    // Made once: a file closed with pieces in it is never made again over them.
    if (size_ > 0) throw EFCreateError(FormatStr(Res::SSpillFileBroken, {path_}));
    file_ = fs_.CreateFile(path_, err);
    if (!file_) throw EFCreateError(err);
  }
  if (!file_->Write(bytes, err)) {
    broken_ = true;
    file_.reset();
    throw EFCreateError(err);
  }
  TPiece piece{size_, bytes.size(), ContentChecksum(bytes)};
  size_ += bytes.size();
  return piece;
}

bool TSpillFile::Read(const TPiece& piece, std::string& bytes, std::string& err) {
  if (!fs_.ReadFileRange(path_, piece.offset, piece.size, bytes, err)) return false;
  if (ContentChecksum(bytes) == piece.checksum) return true;
  bytes.clear();
  err = FormatStr(Res::SSpillFileChanged, {path_});
  return false;
}

}  // namespace migwiz::replace
