#include "surface/bmp_writer.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;

// The fields a BMP reader cares about, read back from file bytes.
struct ReadBmp {
  std::int32_t fileSize = 0, offBits = 0, infoSize = 0, width = 0, height = 0, sizeImage = 0;
  std::int16_t planes = 0, bitCount = 0;
  std::int32_t compression = 0;
  std::vector<Colour> pixels; // top row first
  bool paddingZero = true;
};

// A small independent BMP reader: enough to check what the writer produced.
ReadBmp ReadBmpBytes(const std::vector<std::uint8_t> &b) {
  ReadBmp r;
  EXPECT_GE(b.size(), 54u);
  if (b.size() < 54)
    return r;
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(LoadI16(&b[6]), 0);
  EXPECT_EQ(LoadI16(&b[8]), 0);
  r.fileSize = LoadI32(&b[2]);
  r.offBits = LoadI32(&b[10]);
  r.infoSize = LoadI32(&b[14]);
  r.width = LoadI32(&b[18]);
  r.height = LoadI32(&b[22]);
  r.planes = LoadI16(&b[26]);
  r.bitCount = LoadI16(&b[28]);
  r.compression = LoadI32(&b[30]);
  r.sizeImage = LoadI32(&b[34]);
  for (int at = 38; at < 54; at += 4)
    EXPECT_EQ(LoadI32(&b[at]), 0) << "offset " << at;
  const std::size_t stride = (static_cast<std::size_t>(r.width) * 3 + 3) / 4 * 4;
  EXPECT_EQ(b.size(), 54 + stride * r.height);
  if (b.size() != 54 + stride * r.height)
    return r;
  for (int y = 0; y < r.height; ++y) {
    const std::uint8_t *row = &b[54 + (r.height - 1 - y) * stride];
    for (int x = 0; x < r.width; ++x)
      r.pixels.push_back(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    for (std::size_t pad = 3 * r.width; pad < stride; ++pad)
      r.paddingZero = r.paddingZero && row[pad] == 0;
  }
  return r;
}

Colour PatternColour(int x, int y) { return RGB(x * 30 + 1, 250 - y * 40, (x + y) * 17); }

cDIBSection Patterned(int width, int height) {
  cDIBSection s;
  EXPECT_TRUE(s.Create(width, height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      s.SetPixel(x, y, PatternColour(x, y));
  return s;
}

// Files in a folder other than those named, such as a leftover temporary file.
std::vector<std::string> Entries(const fs::path &folder) {
  std::vector<std::string> names;
  for (const auto &e : fs::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<Error> SaveError(const cDIBSection &s, const std::string &path) {
  try {
    s.SavePicture(path);
  } catch (const Error &e) {
    return e;
  }
  return std::nullopt;
}

void ExpectSaveError(const std::optional<Error> &e, const std::string &path, int code) {
  ASSERT_TRUE(e.has_value()) << "the save did not fail";
  EXPECT_EQ(e->message(), "Error saving file!");
  EXPECT_EQ(e->number(), 17);
  EXPECT_EQ(e->source(), "test_surface.cDIBSection256");
  EXPECT_EQ(e->detail(), path + ": " + std::strerror(code));
}

TEST(BmpWriter, FileSizeStrideAndPaddingFollowTheWidth) {
  const struct {
    int width, height;
    std::size_t fileSize, stride;
  } cases[] = {{1, 1, 58, 4}, {2, 2, 70, 8}, {4, 1, 66, 12}, {3, 1, 66, 12}, {5, 1, 70, 16}};
  TempDir dir;
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    const cDIBSection s = Patterned(c.width, c.height);
    const std::string path = dir.file("out.bmp");
    s.SavePicture(path);
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    EXPECT_EQ(bytes.size(), c.fileSize);
    const ReadBmp r = ReadBmpBytes(bytes);
    EXPECT_EQ(r.fileSize, static_cast<std::int32_t>(c.fileSize));
    EXPECT_EQ(r.sizeImage, static_cast<std::int32_t>(c.stride * c.height));
    EXPECT_TRUE(r.paddingZero);
    EXPECT_EQ(bytes, BmpFileBytes(s));
  }
}

TEST(BmpWriter, OnePixelFileHoldsBlueGreenRedAndOnePad) {
  TempDir dir;
  cDIBSection s;
  ASSERT_TRUE(s.Create(1, 1));
  s.SetPixel(0, 0, RGB(0x11, 0x22, 0x33));
  s.SavePicture(dir.file("one.bmp"));
  const std::vector<std::uint8_t> bytes = ReadFile(dir.file("one.bmp"));
  ASSERT_EQ(bytes.size(), 58u);
  EXPECT_EQ(LoadI32(&bytes[2]), 58);
  EXPECT_EQ(LoadI32(&bytes[10]), 54);
  EXPECT_EQ(LoadI32(&bytes[34]), 4);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 54, bytes.end()),
            (std::vector<std::uint8_t>{0x33, 0x22, 0x11, 0x00}));
}

TEST(BmpWriter, WrittenPictureReadsBackPixelForPixel) {
  TempDir dir;
  const cDIBSection s = Patterned(7, 5);
  s.SavePicture(dir.file("p.bmp"));
  const std::vector<std::uint8_t> bytes = ReadFile(dir.file("p.bmp"));
  const ReadBmp r = ReadBmpBytes(bytes);
  EXPECT_EQ(r.offBits, 54);
  EXPECT_EQ(r.infoSize, 40);
  EXPECT_EQ(r.width, 7);
  EXPECT_EQ(r.height, 5);
  EXPECT_EQ(r.planes, 1);
  EXPECT_EQ(r.bitCount, 24);
  EXPECT_EQ(r.compression, 0);
  ASSERT_EQ(r.pixels.size(), 35u);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(r.pixels[y * 7 + x], PatternColour(x, y)) << x << "," << y;
  // The first pixel bytes belong to the bottom-left pixel.
  const Colour bottomLeft = PatternColour(0, 4);
  EXPECT_EQ(bytes[54], BlueOf(bottomLeft));
  EXPECT_EQ(bytes[55], GreenOf(bottomLeft));
  EXPECT_EQ(bytes[56], RedOf(bottomLeft));
}

TEST(BmpWriter, SavingOverALongerFileLeavesExactlyTheNewFile) {
  TempDir dir;
  const std::string path = dir.file("old.bmp");
  test::WriteFile(path, std::vector<std::uint8_t>(5000, 0xAA));
  ::chmod(path.c_str(), 0640);
  const cDIBSection s = Patterned(2, 2);
  s.SavePicture(path);
  EXPECT_EQ(ReadFile(path), BmpFileBytes(s));
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640)); // the old file's permissions kept
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"old.bmp"});
}

TEST(BmpWriter, SurfaceWithoutStorageIsTheHeadersAlone) {
  TempDir dir;
  cDIBSection s;
  EXPECT_FALSE(s.Create(0, 5));
  s.SavePicture(dir.file("empty.bmp"));
  const std::vector<std::uint8_t> bytes = ReadFile(dir.file("empty.bmp"));
  ASSERT_EQ(bytes.size(), 54u);
  const ReadBmp r = ReadBmpBytes(bytes);
  EXPECT_EQ(r.fileSize, 54);
  EXPECT_EQ(r.width, 0);
  EXPECT_EQ(r.height, 5);
  EXPECT_EQ(r.sizeImage, 0);
  EXPECT_EQ(r.infoSize, 40);
  EXPECT_EQ(r.bitCount, 24);
}

TEST(BmpWriter, SavingThroughALinkReplacesThePictureItNames) {
  TempDir dir;
  const std::string real = dir.file("real.bmp");
  const std::string link = dir.file("link.bmp");
  test::WriteText(real, "old");
  fs::create_symlink(real, link);
  const cDIBSection s = Patterned(3, 3);
  s.SavePicture(link);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), BmpFileBytes(s));
}

TEST(BmpWriter, MissingFolderRaisesError17AndCreatesNothing) {
  TempDir dir;
  const std::string path = dir.file("no such folder/out.bmp");
  ExpectSaveError(SaveError(Patterned(2, 2), path), path, ENOENT);
  EXPECT_FALSE(fs::exists(dir.file("no such folder")));
  EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST(BmpWriter, FolderAsTargetFailsAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.file("pictures");
  fs::create_directory(path);
  test::WriteText(dir.file("pictures/keep.txt"), "x");
  ExpectSaveError(SaveError(Patterned(2, 2), path), path, EISDIR);
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"pictures"});
  EXPECT_EQ(Entries(path), std::vector<std::string>{"keep.txt"});
}

// Makes every file write past `bytes` fail with EFBIG while it lives.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  bool ok() const { return ok_; }

private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
  bool ok_ = false;
};

TEST(BmpWriter, FailedWriteKeepsThePreviousFileAndReportsIt) {
  TempDir dir;
  const std::string path = dir.file("keep.bmp");
  test::WriteText(path, "previous picture");
  const cDIBSection s = Patterned(100, 100); // 30,054 bytes
  std::optional<Error> e;
  {
    FileSizeLimit limit(1000);
    ASSERT_TRUE(limit.ok());
    e = SaveError(s, path);
  }
  ExpectSaveError(e, path, EFBIG);
  EXPECT_EQ(ReadFile(path), std::vector<std::uint8_t>({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ',
                                                       'p', 'i', 'c', 't', 'u', 'r', 'e'}));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"keep.bmp"});
}

TEST(BmpWriter, ReadOnlyFileOrFolderIsNotReplaced) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "the superuser may write anywhere";
  TempDir dir;
  const std::string file = dir.file("locked.bmp");
  test::WriteText(file, "locked");
  ::chmod(file.c_str(), 0444);
  ExpectSaveError(SaveError(Patterned(2, 2), file), file, EACCES);
  EXPECT_EQ(ReadFile(file), std::vector<std::uint8_t>({'l', 'o', 'c', 'k', 'e', 'd'}));

  const std::string folder = dir.file("shut");
  fs::create_directory(folder);
  const std::string inside = dir.file("shut/new.bmp");
  ::chmod(folder.c_str(), 0555);
  ExpectSaveError(SaveError(Patterned(2, 2), inside), inside, EACCES);
  EXPECT_TRUE(Entries(folder).empty());
}

TEST(BmpWriter, ApiErrorAndWriteFailed) {
  EXPECT_EQ(ApiError(0), "");
  EXPECT_EQ(ApiError(ENOENT), std::strerror(ENOENT));
  EXPECT_EQ(ApiError(EACCES), std::strerror(EACCES));
  const struct {
    bool result;
    std::size_t requested, written;
    bool failed;
  } cases[] = {{true, 14, 14, false}, {true, 0, 0, false}, {true, 40, 39, true},
               {false, 40, 40, true}, {false, 0, 0, true}, {true, 10, 11, true}};
  for (const auto &c : cases)
    EXPECT_EQ(WriteFailed(c.result, c.requested, c.written), c.failed)
        << c.result << " " << c.requested << " " << c.written;
}

TEST(BmpWriter, ErrorSourceIsTheProgramName) {
  EXPECT_EQ(SavePictureErrorSource(), "test_surface.cDIBSection256");
}

} // namespace
} // namespace tessary
