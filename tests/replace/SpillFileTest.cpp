// The run's spill file: pieces come back as they were appended, whether they
// waited in memory, were written together or were read ahead; a spill file
// changed or cut short underneath is refused, and a failed write or read
// never hands back wrong bytes nor loses a piece appended before it.
#include <gtest/gtest.h>

#include <vector>

#include "replace/SpillFile.h"
#include "support/FileErrors.h"
#include "testing/RecordingFileSystem.h"
#include "testing/TempDir.h"

using namespace migwiz;
using migwiz::replace::TSpillFile;
using migwiz::testing::RecordingFileSystem;
using migwiz::testing::TempDir;

namespace {

// Pieces of every size around the buffers tried: empty, one byte, a few
// bytes either side of 16, and larger than 64 KB.
std::vector<std::string> Pieces() {
  std::vector<std::string> pieces;
  for (size_t size : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{100},
                      size_t{70000}, size_t{3}, size_t{40000}, size_t{30000}}) {
    std::string p(size, '\0');
    for (size_t i = 0; i < size; ++i) p[i] = static_cast<char>('a' + (i * 7 + pieces.size()) % 26);
    pieces.push_back(p);
  }
  return pieces;
}

}  // namespace

TEST(SpillFile, PiecesComeBackAsAppended) {
  for (size_t buffer : {size_t{0}, size_t{16}, size_t{64} << 10}) {
    SCOPED_TRACE("buffer " + std::to_string(buffer));
    TempDir dir;
    RecordingFileSystem fs;
    TSpillFile spill(fs, dir.Path("@spill"), buffer);
    const std::vector<std::string> pieces = Pieces();
    std::vector<TSpillFile::TPiece> handles;
    std::string bytes, err;
    for (size_t n = 0; n < pieces.size(); ++n) {
      handles.push_back(spill.Append(pieces[n]));
      // Read back at once (from memory or the file) and again at the end,
      // out of order, as a copy back that is undone reads them.
      ASSERT_TRUE(spill.Read(handles.back(), bytes, err)) << err;
      EXPECT_EQ(bytes, pieces[n]);
    }
    for (size_t n = pieces.size(); n-- > 0;) {
      ASSERT_TRUE(spill.Read(handles[n], bytes, err)) << n << ": " << err;
      EXPECT_EQ(bytes, pieces[n]) << n;
    }
    for (size_t n = 0; n < pieces.size(); ++n) {
      ASSERT_TRUE(spill.Read(handles[n], bytes, err)) << n << ": " << err;
      EXPECT_EQ(bytes, pieces[n]) << n;
    }
    EXPECT_EQ(fs.Count("create "), 1u);  // one file, made once
    // Written together: fewer writes than pieces (the empty one needs none)
    // where there is a buffer.
    EXPECT_EQ(fs.Count("append ") < pieces.size() - 1, buffer > 0) << fs.Count("append ");
  }
  // Nothing appended, nothing made.
  TempDir dir;
  RecordingFileSystem fs;
  { TSpillFile spill(fs, dir.Path("@spill"), 0); }
  EXPECT_FALSE(dir.Exists("@spill"));
}

TEST(SpillFile, AChangedOrShortFileIsRefused) {
  struct Case {
    const char* what;
    size_t piece;        // the piece whose bytes are changed on disk
    std::string change;  // the spill file's new contents, from the old ones
    bool cut;            // cut short to that piece instead
  };
  for (size_t buffer : {size_t{0}, size_t{4}}) {
    for (bool cut : {false, true}) {
      SCOPED_TRACE(std::string(cut ? "cut short" : "a byte changed") + ", buffer " + std::to_string(buffer));
      TempDir dir;
      RecordingFileSystem fs;
      TSpillFile spill(fs, dir.Path("@spill"), buffer);
      const TSpillFile::TPiece a = spill.Append("first piece");
      const TSpillFile::TPiece b = spill.Append("second piece");
      const TSpillFile::TPiece c = spill.Append("third piece");
      spill.Close();  // another program's change, made where every host allows it
      std::string onDisk = dir.Read("@spill");
      ASSERT_EQ(onDisk, "first piecesecond piecethird piece");
      if (cut)
        onDisk.resize(c.offset + 3);
      else
        onDisk[b.offset + 2] ^= 1;
      dir.Write("@spill", onDisk);

      std::string bytes, err;
      const TSpillFile::TPiece& bad = cut ? c : b;
      EXPECT_FALSE(spill.Read(bad, bytes, err));
      EXPECT_TRUE(bytes.empty());
      EXPECT_NE(err.find(dir.Path("@spill")), std::string::npos) << err;
      ASSERT_TRUE(spill.Read(a, bytes, err)) << err;
      EXPECT_EQ(bytes, "first piece");
      if (!cut) {
        ASSERT_TRUE(spill.Read(c, bytes, err)) << err;
        EXPECT_EQ(bytes, "third piece");
      }
    }
  }
}

// The k-th operation on the spill file fails, for every k of a clean use:
// an append that fails throws and every later append too, a read that fails
// says so; no read ever hands back other bytes than were appended, and
// every piece appended before a failure still reads back.
TEST(SpillFile, FailedWritesAndReadsLoseNothing) {
  const std::vector<std::string> pieces = Pieces();
  // Appends each piece and reads it at once, then reads them all again; the
  // number of file operations it took.
  auto use = [&](size_t buffer, size_t failAt) -> size_t {
    TempDir dir;
    RecordingFileSystem fs;
    fs.failAt = failAt;
    TSpillFile spill(fs, dir.Path("@spill"), buffer);
    std::vector<TSpillFile::TPiece> handles;
    bool failedAppend = false;
    std::string bytes, err;
    for (const std::string& p : pieces) {
      try {
        handles.push_back(spill.Append(p));
        EXPECT_FALSE(failedAppend) << "an append went on after one failed";
      } catch (const support::EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find(dir.Path("@spill")), std::string::npos) << e.what();
        failedAppend = true;
      }
      if (!handles.empty() && spill.Read(handles.back(), bytes, err)) {
        EXPECT_EQ(bytes, pieces[handles.size() - 1]);
      }
    }
    for (size_t n = 0; n < handles.size(); ++n) {
      if (!spill.Read(handles[n], bytes, err)) {
        EXPECT_TRUE(bytes.empty());
        EXPECT_NE(err.find(dir.Path("@spill")), std::string::npos) << err;
        EXPECT_TRUE(spill.Read(handles[n], bytes, err)) << err;  // an injected failure fails once
      }
      EXPECT_EQ(bytes, pieces[n]) << n;
    }
    EXPECT_EQ(failedAppend, fs.failedOperation.rfind("create ", 0) == 0 ||
                                fs.failedOperation.rfind("append ", 0) == 0)
        << fs.failedOperation;
    return fs.operations;
  };
  for (size_t buffer : {size_t{0}, size_t{16}, size_t{64} << 10}) {
    const size_t count = use(buffer, 0);
    EXPECT_GT(count, 2u);
    for (size_t k = 1; k <= count; ++k) {
      SCOPED_TRACE("buffer " + std::to_string(buffer) + ", failing operation " + std::to_string(k));
      use(buffer, k);
    }
  }
}
