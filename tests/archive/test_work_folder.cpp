#include "archive/work_folder.hpp"

#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {
namespace {

namespace fs = std::filesystem;

// An environment made of the given variables only.
EnvLookup FakeEnv(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const std::string &name) -> std::optional<std::string> {
    const auto it = vars.find(name);
    if (it == vars.end())
      return std::nullopt;
    return it->second;
  };
}

mode_t ModeOf(const std::string &path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// ----- WorkFolder -----

TEST(WorkFolder, IsTessaryUnderTempMadePrivate) {
  test::TempDir temp;
  for (const std::string &root : {temp.path().string(), temp.path().string() + "/"}) {
    SCOPED_TRACE(root);
    const std::string folder = WorkFolder(FakeEnv({{"TEMP", root}}));
    EXPECT_EQ(folder, temp.path().string() + "/tessary/");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_TRUE(IsPrivateFolder(folder));
  }
}

TEST(WorkFolder, FallsBackToTmpdirWhenTempIsUnset) {
  test::TempDir temp;
  for (const auto &env : {FakeEnv({{"TMPDIR", temp.path().string()}}),
                          FakeEnv({{"TEMP", ""}, {"TMPDIR", temp.path().string()}})}) {
    EXPECT_EQ(WorkFolder(env), temp.path().string() + "/tessary/");
  }
}

TEST(WorkFolder, SecondStartKeepsTheSameFolderAndItsFiles) {
  test::TempDir temp;
  const auto env = FakeEnv({{"TEMP", temp.path().string()}});
  const std::string first = WorkFolder(env);
  test::WriteText(first + "1234.pal", "JASC-PAL");
  EXPECT_EQ(WorkFolder(env), first);
  EXPECT_TRUE(fs::exists(first + "1234.pal"));
}

// What an existing "tessary" is made into before the working folder is asked for.
struct Unsafe {
  const char *name;
  void (*prepare)(const test::TempDir &temp, const std::string &folder);
};

const Unsafe kUnsafeFolders[] = {
    {"open to the group and others",
     [](const test::TempDir &, const std::string &folder) {
       fs::create_directory(folder);
       fs::permissions(folder, fs::perms(0755));
     }},
    {"writable by others",
     [](const test::TempDir &, const std::string &folder) {
       fs::create_directory(folder);
       fs::permissions(folder, fs::perms(0777));
     }},
    {"a link to a private folder",
     [](const test::TempDir &temp, const std::string &folder) {
       const std::string real = temp.file("elsewhere");
       fs::create_directory(real);
       fs::permissions(real, fs::perms(0700));
       fs::create_directory_symlink(real, folder);
     }},
    {"a plain file",
     [](const test::TempDir &, const std::string &folder) { test::WriteText(folder, "x"); }},
};

TEST(WorkFolder, UnsafeExistingFolderIsReplacedByAFreshPrivateOne) {
  for (const auto &unsafe : kUnsafeFolders) {
    SCOPED_TRACE(unsafe.name);
    test::TempDir temp;
    const std::string existing = temp.file("tessary");
    unsafe.prepare(temp, existing);
    const std::string folder = WorkFolder(FakeEnv({{"TEMP", temp.path().string()}}));
    EXPECT_NE(folder, existing + "/");
    EXPECT_EQ(fs::path(folder).parent_path().parent_path(), temp.path());
    EXPECT_EQ(fs::path(folder).parent_path().filename().string().rfind("tessary-", 0), 0u)
        << folder;
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(IsPrivateFolder(folder));
  }
}

TEST(WorkFolder, FolderOfAnotherUserIsNotUsed) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "only root can make a folder owned by someone else";
  test::TempDir temp;
  const std::string existing = temp.file("tessary");
  fs::create_directory(existing);
  fs::permissions(existing, fs::perms(0700));
  ASSERT_EQ(::chown(existing.c_str(), 12345, 12345), 0);
  EXPECT_FALSE(IsPrivateFolder(existing));
  const std::string folder = WorkFolder(FakeEnv({{"TEMP", temp.path().string()}}));
  EXPECT_NE(folder, existing + "/");
  EXPECT_TRUE(IsPrivateFolder(folder));
}

TEST(WorkFolder, WithNoPrivateFolderToBeHadNoneIsReturned) {
  test::TempDir temp;
  test::WriteText(temp.file("plain"), "a file, not a folder");
  struct Case {
    std::string root;
    std::string reason;
  };
  const Case cases[] = {{"/nonexistent/tessary-root", "No such file or directory"},
                        {temp.file("plain"), "Not a directory"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.root);
    std::string why;
    EXPECT_EQ(WorkFolder(FakeEnv({{"TEMP", c.root}}), &why), "");
    EXPECT_NE(why.find(c.root + "/tessary/ is not a folder private to this user"),
              std::string::npos)
        << why;
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    EXPECT_EQ(WorkFolder(FakeEnv({{"TEMP", c.root}})), ""); // the reason is optional
  }
  EXPECT_FALSE(fs::exists("/nonexistent/tessary-root"));
}

TEST(IsPrivateFolder, ChecksTypeModeAndLinks) {
  test::TempDir temp;
  const std::string folder = temp.file("private");
  fs::create_directory(folder);
  fs::permissions(folder, fs::perms(0700));
  EXPECT_TRUE(IsPrivateFolder(folder));
  EXPECT_TRUE(IsPrivateFolder(folder + "/"));
  fs::create_directory_symlink(folder, temp.file("link"));
  EXPECT_FALSE(IsPrivateFolder(temp.file("link")));
  EXPECT_FALSE(IsPrivateFolder(temp.file("link") + "/"));
  for (unsigned mode : {0750u, 0701u, 0500u}) {
    fs::permissions(folder, fs::perms(mode));
    EXPECT_FALSE(IsPrivateFolder(folder)) << std::oct << mode;
  }
  EXPECT_FALSE(IsPrivateFolder(temp.file("missing")));
}

// ----- the Wine registry -----

constexpr char kRegistry[] = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win32

[Software\\LucasArts Entertainment Company LLC\\Star Wars Galactic Battlegrounds] 1600000000
"Game Path"="C:\\Wrong\\Key\\"

[Software\\LucasArts Entertainment Company LLC\\Star Wars Galactic Battlegrounds\\1.0] 1600000000
#time=1d6a9d5c5f8b9a0
@="default"
"Count"=dword:00000003
"Blob"=hex:43,00,3a,00
"EXE Path"="C:\\Games\\SWGB\\Game\\"
"game path"="C:\\Games\\SWGB\\"
"Quoted"="say \"hi\""
"Expand"=str(2):"%ProgramFiles%\\SWGB"
"Multi"=str(7):"a\0b\0"
"Wide"="C:\\Spi\xe9l\\"

[Software\\Other] 1600000000
"Game Path"="C:\\Other\\"
)";

TEST(ReadRegistryText, FindsStringValuesOfTheKey) {
  test::TempDir dir;
  const std::string file = dir.file("system.reg");
  test::WriteText(file, kRegistry);
  const std::string key = kGameKey;
  struct Case {
    const char *value;
    const char *expected;
  };
  const Case cases[] = {
      {"Game Path", "C:\\Games\\SWGB\\"}, // names match without regard to case
      {"GAME PATH", "C:\\Games\\SWGB\\"},
      {"EXE Path", "C:\\Games\\SWGB\\Game\\"},
      {"Quoted", "say \"hi\""},
      {"Expand", "%ProgramFiles%\\SWGB"}, // an expandable string, not expanded
      {"Wide", "C:\\Spi\xc3\xa9l\\"},
      {"Count", ""}, // not string values
      {"Blob", ""},
      {"Multi", ""},
      {"Missing", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ReadRegistryText(file, key, c.value), c.expected) << c.value;
  EXPECT_EQ(ReadRegistryText(file, "software\\other", "Game Path"), "C:\\Other\\");
  EXPECT_EQ(ReadRegistryText(file, "Software\\Missing", "Game Path"), "");
  EXPECT_EQ(ReadRegistryText(dir.file("missing.reg"), key, "Game Path"), "");
}

TEST(ReadRegistryText, WindowsLineEndingsAndLongValues) {
  test::TempDir dir;
  const std::string file = dir.file("system.reg");
  const std::string fits(1023, 'a');
  const std::string tooLong(1024, 'b');
  test::WriteText(file, "[Software\\\\Test] 1\r\n\"Fits\"=\"" + fits + "\"\r\n\"Long\"=\"" +
                            tooLong + "\"\r\n\"Cut\"=\"ab\\0cd\"\r\n");
  EXPECT_EQ(ReadRegistryText(file, "Software\\Test", "Fits"), fits);
  EXPECT_EQ(ReadRegistryText(file, "Software\\Test", "Long"), ""); // more than the buffer holds
  EXPECT_EQ(ReadRegistryText(file, "Software\\Test", "Cut"), "ab");
}

// ----- the game folder -----

// A Wine prefix with drive C: mapped to drive_c, as winecfg leaves it.
class WinePrefix {
public:
  explicit WinePrefix(const std::string &registry) {
    fs::create_directories(dir_.path() / "drive_c" / "Games" / "SWGB");
    fs::create_directories(dir_.path() / "dosdevices");
    fs::create_directory_symlink("../drive_c", dir_.path() / "dosdevices" / "c:");
    if (!registry.empty())
      test::WriteText(dir_.file("system.reg"), registry);
  }
  std::string path() const { return dir_.path().string(); }
  std::string driveC() const { return fs::canonical(dir_.path() / "drive_c").string(); }

private:
  test::TempDir dir_;
};

std::string GameRegistry(const std::string &key, const std::string &value) {
  return "WINE REGISTRY Version 2\n\n[" + key + "] 1600000000\n\"Game Path\"=\"" + value + "\"\n";
}

constexpr char kKeyInFile[] =
    "Software\\\\LucasArts Entertainment Company LLC\\\\Star Wars Galactic Battlegrounds\\\\1.0";

TEST(GamePath, ConfiguredPathComesFirst) {
  WinePrefix prefix(GameRegistry(kKeyInFile, "C:\\\\Games\\\\SWGB\\\\"));
  EXPECT_EQ(GamePath(FakeEnv({{"TESSARY_GAME_PATH", "/srv/swgb/"}, {"WINEPREFIX", prefix.path()}})),
            "/srv/swgb/");
}

TEST(GamePath, RegistryValueIsMappedThroughTheDriveLink) {
  struct Case {
    const char *value;      // as written in system.reg
    const char *rest;       // the game folder after drive_c
    const char *dialogRest; // where the archive dialog starts, after drive_c
  };
  const Case cases[] = {
      {"C:\\\\Games\\\\SWGB\\\\", "/Games/SWGB/", "/Games/SWGB/data/"},
      // Without a final separator the game's own rule appends "data/" directly.
      {"c:\\\\Games\\\\SWGB", "/Games/SWGB", "/Games/SWGBdata/"},
      {"C:\\\\", "/", "/data/"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.value);
    WinePrefix prefix(GameRegistry(kKeyInFile, c.value));
    EXPECT_EQ(GamePath(FakeEnv({{"WINEPREFIX", prefix.path()}})), prefix.driveC() + c.rest);
    EXPECT_EQ(ArchiveDialogFolder(FakeEnv({{"WINEPREFIX", prefix.path()}})),
              prefix.driveC() + c.dialogRest);
  }
}

TEST(GamePath, HomeWineIsUsedWithoutWineprefix) {
  test::TempDir home;
  fs::create_directories(home.path() / ".wine" / "drive_c");
  fs::create_directories(home.path() / ".wine" / "dosdevices");
  fs::create_directory_symlink("../drive_c", home.path() / ".wine" / "dosdevices" / "c:");
  test::WriteText(home.file(".wine/system.reg"), GameRegistry(kKeyInFile, "C:\\\\SWGB\\\\"));
  EXPECT_EQ(GamePath(FakeEnv({{"HOME", home.path().string()}})),
            fs::canonical(home.path() / ".wine" / "drive_c").string() + "/SWGB/");
}

TEST(GamePath, Wow6432NodeKeyOfA64BitPrefix) {
  WinePrefix prefix(GameRegistry("Software\\\\Wow6432Node\\\\LucasArts Entertainment Company "
                                 "LLC\\\\Star Wars Galactic Battlegrounds\\\\1.0",
                                 "C:\\\\Games\\\\SWGB\\\\"));
  EXPECT_EQ(GamePath(FakeEnv({{"WINEPREFIX", prefix.path()}})), prefix.driveC() + "/Games/SWGB/");
}

TEST(GamePath, NothingFoundGivesEmpty) {
  struct Case {
    const char *name;
    std::string registry;
  };
  const Case cases[] = {
      {"no registry file", ""},
      {"no such key", GameRegistry("Software\\\\Other", "C:\\\\Games\\\\")},
      {"drive without a link", GameRegistry(kKeyInFile, "D:\\\\Games\\\\")},
      {"not a drive path", GameRegistry(kKeyInFile, "\\\\\\\\server\\\\share")},
      {"empty value", GameRegistry(kKeyInFile, "")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    WinePrefix prefix(c.registry);
    EXPECT_EQ(GamePath(FakeEnv({{"WINEPREFIX", prefix.path()}})), "");
  }
  EXPECT_EQ(GamePath(FakeEnv({})), "");
}

// ----- where the archive dialog starts -----

TEST(ArchiveDialogFolder, ConfiguredGameFolderGetsItsSeparator) {
  struct Case {
    const char *configured;
    const char *folder;
  };
  const Case cases[] = {
      {"/srv/Game/", "/srv/Game/data/"},
      {"/srv/Game", "/srv/Game/data/"},
      {"relative", "relative/data/"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.configured);
    EXPECT_EQ(ArchiveDialogFolder(FakeEnv({{"TESSARY_GAME_PATH", c.configured}})), c.folder);
  }
}

TEST(ArchiveDialogFolder, ConfiguredGameFolderWinsOverTheRegistry) {
  WinePrefix prefix(GameRegistry(kKeyInFile, "C:\\\\Games\\\\SWGB\\\\"));
  EXPECT_EQ(ArchiveDialogFolder(
                FakeEnv({{"WINEPREFIX", prefix.path()}, {"TESSARY_GAME_PATH", "/srv/Game"}})),
            "/srv/Game/data/");
}

TEST(ArchiveDialogFolder, DriveCThenHome) {
  WinePrefix prefix("");
  EXPECT_EQ(ArchiveDialogFolder(FakeEnv({{"WINEPREFIX", prefix.path()}, {"HOME", "/home/u"}})),
            prefix.path() + "/drive_c/");
  test::TempDir home; // no .wine inside
  EXPECT_EQ(ArchiveDialogFolder(FakeEnv({{"HOME", home.path().string()}})),
            home.path().string() + "/");
  EXPECT_EQ(ArchiveDialogFolder(FakeEnv({})), "/");
}

} // namespace
} // namespace tessary
