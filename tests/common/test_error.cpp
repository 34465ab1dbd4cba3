// What a failure says about itself: its kind decides the message, and it names the file or
// entry it is about, whichever part of the core raised it.
#include "archive/drs_writer.hpp"
#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/paths.hpp"
#include "common/safe_write.hpp"
#include "descriptions/description_file.hpp"
#include "palette/palette.hpp"
#include "sprite/slp_loader.hpp"
#include "sprite/slx_reader.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"
#include "surface/bmp_reader.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tessary {
namespace {

TEST(Error, EachKindHasItsOwnMessage) {
  struct Case {
    ErrorKind kind;
    std::string message;
  };
  const Case cases[] = {
      {ErrorKind::ArchiveRead, "Error reading from DRS file!"},
      {ErrorKind::SpriteRead, "Error reading sprite file!"},
      {ErrorKind::SLXRead, "Error reading SLX file!"},
      {ErrorKind::BitmapRead, "Error reading bitmap file!"},
      {ErrorKind::PaletteNotValid, "Not valid palette file!"},
      {ErrorKind::PaletteOpen, "Error opening palette file!"},
      {ErrorKind::Save, "Error saving file!"},
      {ErrorKind::Encode, "Sprite cannot be encoded!"},
      {ErrorKind::OutOfMemory, "Out of memory!"},
      // The description files' messages name the file.
      {ErrorKind::DescriptionOpen, "Error opening description file \"walk.dsc\"!"},
      {ErrorKind::DescriptionSave, "Error saving description file \"walk.dsc\"!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.message);
    const Error error(c.kind, "walk.dsc", "what went wrong", 17, "source");
    EXPECT_EQ(error.kind(), c.kind);
    EXPECT_EQ(error.message(), c.message);
    EXPECT_EQ(std::string(error.what()), c.message);
    EXPECT_EQ(error.subject(), "walk.dsc");
    EXPECT_EQ(error.detail(), "what went wrong");
    EXPECT_EQ(error.number(), 17);
    EXPECT_EQ(error.source(), "source");
  }
}

TEST(Error, AFileNameWithNulBytesStaysWholeInTheMessage) {
  const std::string path("a\0b.dsc", 7);
  const Error error(ErrorKind::DescriptionSave, path, {});
  EXPECT_EQ(error.message(), "Error saving description file \"" + path + "\"!");
  EXPECT_EQ(error.subject(), path);
}

std::optional<Error> Failure(const std::function<void()> &call) {
  try {
    call();
  } catch (const Error &e) {
    return e;
  }
  return std::nullopt;
}

// Every part of the core that reads or writes a file says which file a failure is about, so a
// caller never has to dig it out of the detail.
TEST(Error, FailuresNameTheirSubject) {
  test::TempDir dir;
  const std::string missing = dir.file("missing");
  const std::string folder = dir.file("folder");
  std::filesystem::create_directory(folder);
  const std::string notPalette = dir.file("not.pal");
  test::WriteText(notPalette, "GIMP Palette\n");
  const std::string shortPalette = dir.file("short.pal");
  test::WriteText(shortPalette, "JASC-PAL\r\n0100\r\n256\r\n0 0 0\r\n");
  const std::string badSlx = dir.file("bad.slx");
  test::WriteText(badSlx, "SLX 0.4\n");
  const std::string badArchive = dir.file("bad.drs");
  test::WriteFile(badArchive, test::EditedWorkedExample(test::kTableCountAt, 0)); // no table
  const std::string archive = dir.file("good.drs");
  test::WriteFile(archive, BuildArchive(test::WorkedExampleTables()));

  struct Case {
    const char *what;
    std::function<void()> call;
    ErrorKind kind;
    std::string subject;
  };
  const Case cases[] = {
      {"a missing file", [&] { BoundedFile(PathOf(missing), ErrorKind::ArchiveRead); },
       ErrorKind::ArchiveRead, missing},
      {"a read past the end",
       [&] {
         const BoundedFile file(PathOf(archive), ErrorKind::SpriteRead);
         std::uint8_t byte[1];
         file.readAt(file.size(), byte, ErrorKind::SpriteRead);
       },
       ErrorKind::SpriteRead, archive},
      {"bytes in memory", [] { ParseSLP(std::vector<std::uint8_t>(3), "resource 7 of a.drs"); },
       ErrorKind::SpriteRead, "resource 7 of a.drs"},
      {"a sprite file", [&] { LoadSLPInfo(missing); }, ErrorKind::SpriteRead, missing},
      {"a malformed archive",
       [&] {
         const BoundedFile file(PathOf(badArchive), ErrorKind::ArchiveRead);
         ReadArchive(file, [] { return true; });
       },
       ErrorKind::ArchiveRead, badArchive},
      {"no palette",
       [&] {
         PaletteTable t{};
         LoadPalette(t, notPalette);
       },
       ErrorKind::PaletteNotValid, notPalette},
      {"a short palette",
       [&] {
         PaletteTable t{};
         LoadPalette(t, shortPalette);
       },
       ErrorKind::PaletteOpen, shortPalette},
      {"an SLX index", [&] { ReadSLX(badSlx); }, ErrorKind::SLXRead, badSlx},
      {"a bitmap", [&] { ReadBMP(missing); }, ErrorKind::BitmapRead, missing},
      {"a description file", [&] { ReadDescriptionFile(missing); }, ErrorKind::DescriptionOpen,
       missing},
      {"a description file written into a folder", [&] { WriteDescriptionFile(folder, {}); },
       ErrorKind::DescriptionSave, folder},
      {"a file written onto a folder",
       [&] { WriteFileSafely(PathOf(folder), std::vector<std::uint8_t>(1), ErrorKind::Save); },
       ErrorKind::Save, folder},
      {"a set checked before its work",
       [&] {
         CheckWritableTargets({dir.file("new"), folder}, ErrorKind::Save);
       },
       ErrorKind::Save, folder},
      {"an output onto its input", [&] { RefuseWritingOnto(archive, "the input", {archive}); },
       ErrorKind::Save, archive},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const auto error = Failure(c.call);
    ASSERT_TRUE(error) << "no error";
    EXPECT_EQ(error->kind(), c.kind);
    EXPECT_EQ(error->message(), ErrorMessage(c.kind, c.subject));
    EXPECT_EQ(error->subject(), c.subject) << error->detail();
  }
}

} // namespace
} // namespace tessary
