// The game folder from the real registry (Windows, or Wine running the cross build).
#include "archive/work_folder.hpp"

#include "common/paths.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <windows.h>

namespace tessary {
namespace {

constexpr char kTestKey[] = "SOFTWARE\\Tessary Tests\\Registry";

std::wstring Wide(const std::string &utf8) { return PathOf(utf8).native(); }

// A key of the tests' own in the 32-bit view (or the 64-bit one), removed with the object.
class TestKey {
public:
  explicit TestKey(REGSAM view = KEY_WOW64_32KEY) : view_(view) {
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(kTestKey).c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE | view_, nullptr, &key_, nullptr) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~TestKey() {
    if (key_)
      ::RegCloseKey(key_);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Wide(kTestKey).c_str(), view_, 0);
  }
  TestKey(const TestKey &) = delete;
  TestKey &operator=(const TestKey &) = delete;

  bool ok() const { return key_ != nullptr; }
  void set(const std::string &name, DWORD type, const std::wstring &text) {
    ASSERT_EQ(::RegSetValueExW(key_, Wide(name).c_str(), 0, type,
                               reinterpret_cast<const BYTE *>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  void setNumber(const std::string &name, DWORD value) {
    ASSERT_EQ(::RegSetValueExW(key_, Wide(name).c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE *>(&value), sizeof value),
              ERROR_SUCCESS);
  }

private:
  REGSAM view_;
  HKEY key_ = nullptr;
};

// CI sets the game's own value with `wine reg add ... /reg:32` and names it here.
TEST(SystemRegistry, GamePathIsWhatTheInstallerWrote) {
  const char *expected = std::getenv("TESSARY_EXPECTED_GAME_PATH");
  if (!expected)
    GTEST_SKIP() << "TESSARY_EXPECTED_GAME_PATH is not set: no game value was written to check";
  EXPECT_EQ(ReadRegistryText(kGameKey, kGameValue), expected);
  EXPECT_EQ(GamePath([](const std::string &) { return std::nullopt; }), expected);
}

TEST(SystemRegistry, ReadsStringsOfThe32BitViewUnexpanded) {
  TestKey key;
  if (!key.ok())
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE cannot be written here (not an administrator)";
  const std::wstring longest(1023, L'x');
  key.set("Plain", REG_SZ, L"C:\\Games\\SWGB\\");
  key.set("Unexpanded", REG_EXPAND_SZ, L"%SystemRoot%\\Games\\");
  key.set("Widest", REG_SZ, L"D:\\\u00C9cran\\\u65E5\u672C\\");
  key.set("Longest", REG_SZ, longest);
  key.set("TooLong", REG_SZ, longest + L"x");
  key.setNumber("Number", 7);
  struct Case {
    std::string value, expected;
  };
  const Case cases[] = {
      {"Plain", "C:\\Games\\SWGB\\"},
      {"Unexpanded", "%SystemRoot%\\Games\\"},
      {"Widest", "D:\\\xC3\x89"
                 "cran\\\xE6\x97\xA5\xE6\x9C\xAC\\"},
      {"Longest", std::string(1023, 'x')},
      {"TooLong", ""},
      {"Number", ""},
      {"Missing", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ReadRegistryText(kTestKey, c.value), c.expected);
  }
  EXPECT_EQ(ReadRegistryText("SOFTWARE\\Tessary Tests\\Missing", "Plain"), "");
}

TEST(SystemRegistry, AValueOnlyInThe64BitViewIsNotTheGames) {
  TestKey key(KEY_WOW64_64KEY);
  if (!key.ok())
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE cannot be written here (not an administrator)";
  key.set("Only64", REG_SZ, L"C:\\Elsewhere\\");
  EXPECT_EQ(ReadRegistryText(kTestKey, "Only64"), "");
}

} // namespace
} // namespace tessary
