#include "replace/SpillFile.h"

#include <algorithm>

#include "resources/RExpertRes.h"
#include "support/Checksum.h"
#include "support/FileErrors.h"
#include "support/StrUtils.h"

namespace migwiz::replace {

using namespace support;
namespace Res = RExpertRes;

TSpillFile::TSpillFile(platform::FileSystem& fs, std::string path, size_t buffer)
    : fs_(fs), path_(std::move(path)), buffer_(buffer) {}

TSpillFile::TPiece TSpillFile::Append(std::string_view bytes, std::optional<std::uint64_t> checksum) {
  if (broken_) throw EFCreateError(FormatStr(Res::SSpillFileBroken, {path_}));
  const TPiece piece{written_ + pending_.size(), bytes.size(),
                     checksum ? *checksum : ContentChecksum(bytes)};
  if (pending_.size() + bytes.size() > buffer_) Flush();
  if (bytes.size() <= buffer_)
    pending_.append(bytes);
  else
    Write(bytes);
  return piece;
}

void TSpillFile::Flush() {
  if (pending_.empty()) return;
  Write(pending_);
  pending_.clear();
}

// Made once: a file closed with pieces in it is never made again over them.
void TSpillFile::Write(std::string_view bytes) {
  std::string err;
  if (!file_) {
    if (made_) {
      broken_ = true;
      throw EFCreateError(FormatStr(Res::SSpillFileBroken, {path_}));
    }
    file_ = fs_.CreateFile(path_, err);
    if (!file_) {
      broken_ = true;
      throw EFCreateError(err);
    }
    made_ = true;
  }
  if (!file_->Write(bytes, err)) {
    broken_ = true;
    file_.reset();
    throw EFCreateError(err);
  }
  written_ += bytes.size();
}

bool TSpillFile::Read(const TPiece& piece, std::string& bytes, std::string& err) {
  bytes.clear();
  if (piece.offset >= written_) {
    bytes.assign(pending_, static_cast<size_t>(piece.offset - written_), piece.size);
  } else if (piece.offset >= aheadAt_ && piece.offset + piece.size <= aheadAt_ + ahead_.size()) {
    bytes.assign(ahead_, static_cast<size_t>(piece.offset - aheadAt_), piece.size);
  } else if (piece.size >= buffer_) {
    if (!fs_.ReadFileRange(path_, piece.offset, piece.size, bytes, err)) return false;
  } else {
    const size_t length = static_cast<size_t>(std::min<std::uint64_t>(buffer_, written_ - piece.offset));
    if (!fs_.ReadFileRange(path_, piece.offset, length, ahead_, err)) return false;
    aheadAt_ = piece.offset;
    bytes.assign(ahead_, 0, piece.size);
  }
  if (bytes.size() == piece.size && ContentChecksum(bytes) == piece.checksum) return true;
  bytes.clear();
  err = FormatStr(Res::SSpillFileChanged, {path_});
  return false;
}

}  // namespace migwiz::replace
