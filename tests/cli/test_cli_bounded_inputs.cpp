// Inputs crafted to cost far more than their size: the calls refuse them from their headers, or
// do bounded work on them, and a call that runs out of memory fails with the program's message.
#include "cli/cli_harness.hpp"

#include "common/bounded_reader.hpp"
#include "sprite/slp_builder.hpp"
#include "support/address_limit.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace tessary {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::Names;

// A 24-bit bitmap header claiming width x height; only its 54 bytes are written, the rest of
// the claimed length is a hole (the file is sparse).
void WriteSparseBitmap(const std::string &path, std::int32_t width, std::int32_t height) {
  const std::int64_t stride = (std::int64_t{width} * 3 + 3) & ~std::int64_t{3};
  const std::int64_t size = 54 + stride * height;
  std::vector<std::uint8_t> header(54, 0);
  header[0] = 'B';
  header[1] = 'M';
  StoreI32(&header[2], static_cast<std::int32_t>(size));
  StoreI32(&header[10], 54);
  StoreI32(&header[14], 40);
  StoreI32(&header[18], width);
  StoreI32(&header[22], height);
  StoreI16(&header[26], 1);
  StoreI16(&header[28], 24);
  test::WriteFile(path, header);
  fs::resize_file(path, static_cast<std::uintmax_t>(size));
}

std::string SLXIndex(int frames, const std::string &layer, const std::string &image) {
  std::ostringstream text;
  text << "SLX 0.5\r\n" << frames << "\r\n";
  for (int n = 1; n <= frames; ++n)
    text << "0,0\r\n" << layer << "\r\n" << image << "\r\n";
  return text.str();
}

class CliBoundedInputs : public ::testing::Test {
protected:
  std::string file(const std::string &name) const { return dir_.file(name); }
  test::TempDir dir_;
};

// Each index names bitmaps whose pixels would take gigabytes: encode refuses from the headers
// alone, writes nothing, and never reads the pixels.
TEST_F(CliBoundedInputs, EncodeChecksBitmapSizesBeforeReadingPixels) {
  WriteSparseBitmap(file("tall.bmp"), 32767, 10900);    // ~1 GB claimed, a few KB on disk
  WriteSparseBitmap(file("wide.bmp"), 10923, 8192);     // rows and columns fit, bytes do not
  WriteSparseBitmap(file("small.bmp"), 173, 173);       // ~90 KB, named by every frame
  WriteSparseBitmap(file("small_other.bmp"), 173, 172); // the same but one row short
  const struct {
    const char *name;
    std::string index;
    const char *detail;
  } cases[] = {
      {"one bitmap of 32767 x 10900", SLXIndex(1, "tall.bmp", "tall.bmp"), "32767 x 10900"},
      {"one bitmap over the picture cap", SLXIndex(1, "wide.bmp", "wide.bmp"), "10923 x 8192"},
      {"32767 frames naming one small pair", SLXIndex(32767, "small.bmp", "small.bmp"),
       "already take more than"},
      {"a pair of unequal sizes", SLXIndex(2, "small.bmp", "small_other.bmp"),
       "frame 1: image small_other.bmp is 173 x 172"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteText(file("w.slx"), c.index);
    test::ExpectFailure(Call({"encode", file("w.slx"), "-o", file("w.slp")}),
                        "Error reading SLX file!", c.detail);
    EXPECT_FALSE(fs::exists(file("w.slp")));
  }
}

// A frame of 10900 x 8192 pixels needs two pictures of about 256 MiB each.
std::vector<std::uint8_t> LargeFrameSprite(bool brokenSecondFrame) {
  std::vector<test::FrameSpec> frames = {test::UniformFrame(10900, 8192, {0x0F})};
  if (brokenSecondFrame)
    frames.push_back(test::UniformFrame(2, 2, {0x0F}));
  test::BuiltSLP built = test::BuildSLP(frames);
  if (brokenSecondFrame)
    test::SetI32(built.bytes, test::FrameRecordOffset(2) + test::kCommandTableField, -40);
  return built.bytes;
}

// With too little memory for its pictures a call fails with the program's own message and
// writes nothing; it never decodes into nothing and reports success. The sequence checks its
// frames before it reserves its canvas, so a broken frame is reported as such.
TEST_F(CliBoundedInputs, OutOfMemoryIsAFailureThatWritesNothing) {
  if (test::kUnderSanitizer)
    GTEST_SKIP() << "the sanitizers' own address reservations make an address-space limit "
                    "meaningless";
  test::WriteFile(file("large.slp"), LargeFrameSprite(false));
  test::WriteFile(file("broken.slp"), LargeFrameSprite(true));
  fs::create_directory(file("out"));
  const struct {
    const char *call;
    const char *sprite;
    const char *output;
    const char *message;
  } cases[] = {
      {"frame", "large.slp", "f.bmp", "Out of memory!"},
      {"sequence", "large.slp", "s.bmp", "Out of memory!"},
      {"slx", "large.slp", "x.slx", "Out of memory!"},
      {"sequence", "broken.slp", "s.bmp", "Error reading sprite file!"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.call) + " " + c.sprite);
    const std::vector<std::string> args = {c.call, "--slp", file(c.sprite), "-o",
                                           file(std::string("out/") + c.output)};
    const test::ChildOutcome child =
        test::RunWithAddressHeadroom(std::uint64_t{128} << 20, [&](std::string &text) {
          const test::Outcome o = Call(args);
          text = o.err;
          return o.code;
        });
    ASSERT_TRUE(child.exited) << "the call crashed";
    EXPECT_EQ(child.code, 1) << child.text;
    const auto lines = test::Lines(child.text);
    ASSERT_GE(lines.size(), 2u) << child.text;
    EXPECT_EQ(lines[0], c.message);
    EXPECT_TRUE(Names(file("out")).empty());
  }
}

} // namespace
} // namespace tessary
