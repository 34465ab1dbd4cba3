#include "archive/work_folder.hpp"

#include "common/hex.hpp"
#include "common/limits.hpp"
#include "common/paths.hpp"
#include "common/system.hpp"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tessary {

namespace {

std::string EnvOr(const EnvLookup &env, const std::string &name, const std::string &fallback) {
  const auto value = env(name);
  return value && !value->empty() ? *value : fallback;
}

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string WithSeparator(std::string folder) {
  if (folder.empty() || !IsSeparator(folder.back()))
    folder += kSeparator;
  return folder;
}

std::string WithoutSeparator(std::string folder) {
  while (folder.size() > 1 && IsSeparator(folder.back()))
    folder.pop_back(); // "link/" would look through the link
  return folder;
}

// TEMP as the old program used it; TMPDIR and the system's own folder where it is not set.
std::string TempRoot(const EnvLookup &env) {
  return WithSeparator(
      EnvOr(env, "TEMP", EnvOr(env, "TMPDIR", TextOf(sys::SystemTemporaryFolder()))));
}

// A fresh folder nobody else can have prepared; empty when even that fails, with the reason.
std::string FreshPrivateFolder(const std::string &root, std::string &failure) {
  const auto fresh = sys::MakeFreshPrivateFolder(PathOf(root), "tessary-", failure);
  return fresh.empty() ? std::string() : WithSeparator(TextOf(fresh));
}

} // namespace

bool IsPrivateFolder(const std::string &path) {
  return sys::IsPrivateFolder(PathOf(WithoutSeparator(path)));
}

std::string WorkFolder(const EnvLookup &env, std::string *whyNot) {
  const std::string root = TempRoot(env);
  const std::string folder = WithSeparator(root + "tessary");
  std::string ignored; // an existing folder is checked just below
  sys::MakePrivateFolder(PathOf(WithoutSeparator(folder)), ignored);
  if (IsPrivateFolder(folder))
    return folder;
  // Someone else's, a link, or open to others: temporary copies must not go there.
  std::string failure;
  std::string fresh = FreshPrivateFolder(root, failure);
  if (!fresh.empty() && !IsPrivateFolder(fresh)) {
    failure = fresh + " did not come out private to this user";
    fresh.clear();
  }
  if (fresh.empty() && whyNot)
    *whyNot = folder + " is not a folder private to this user, and " + failure;
  return fresh;
}

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool EqualsIgnoringCase(const std::string &a, const std::string &b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i]))
      return false;
  return true;
}

void AppendUtf8(std::string &out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Reads Wine's escaped text from `pos` up to the closing `close` character (not included).
// Returns false when the text is not closed on this line.
bool ReadEscaped(const std::string &line, std::size_t &pos, char close, std::string &out) {
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == close)
      return true;
    if (c != '\\' || pos >= line.size()) {
      out += c;
      continue;
    }
    const char e = line[pos++];
    switch (e) {
    case 'n':
      out += '\n';
      break;
    case 'r':
      out += '\r';
      break;
    case 't':
      out += '\t';
      break;
    case '0':
      out += '\0';
      break;
    case 'x': {
      unsigned long code = 0;
      std::size_t digits = 0;
      while (pos < line.size() && digits < 4 && HexDigitValue(line[pos]) >= 0) {
        code = code * 16 + static_cast<unsigned long>(HexDigitValue(line[pos]));
        ++pos;
        ++digits;
      }
      AppendUtf8(out, code);
      break;
    }
    default: // \\ and \" and any other escaped character stand for themselves
      out += e;
    }
  }
  return false;
}

// "[Software\\LucasArts...\\1.0] 1234" -> the key path with single backslashes.
std::optional<std::string> SectionKey(const std::string &line) {
  if (line.empty() || line[0] != '[')
    return std::nullopt;
  std::size_t pos = 1;
  std::string key;
  if (!ReadEscaped(line, pos, ']', key))
    return std::nullopt;
  return key;
}

// "\"Game Path\"=\"C:\\\\Games\\\\\"" -> name and string value; nullopt for any line that is not
// a string value (dword:, hex:, a multi-string, a default value @=...).
std::optional<std::pair<std::string, std::string>> StringValue(const std::string &line) {
  if (line.empty() || line[0] != '"')
    return std::nullopt;
  std::size_t pos = 1;
  std::string name;
  if (!ReadEscaped(line, pos, '"', name) || pos >= line.size() || line[pos] != '=')
    return std::nullopt;
  ++pos;
  // A plain string (REG_SZ) or an unexpanded one, written str(2):"..." (REG_EXPAND_SZ).
  const std::string expandTag = "str(2):";
  if (line.compare(pos, expandTag.size(), expandTag) == 0)
    pos += expandTag.size();
  if (pos >= line.size() || line[pos] != '"')
    return std::nullopt;
  ++pos;
  std::string value;
  if (!ReadEscaped(line, pos, '"', value))
    return std::nullopt;
  return std::make_pair(name, value);
}

std::string AsQueried(std::string value) {
  if (value.size() >= kRegistryValueChars)
    return {};
  const auto zero = value.find('\0');
  if (zero != std::string::npos)
    value.resize(zero);
  return value;
}

} // namespace

std::string ReadRegistryText(const std::string &registryFile, const std::string &keyPath,
                             const std::string &valueName) {
  std::ifstream in(registryFile, std::ios::binary);
  if (!in)
    return {};
  bool inKey = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (const auto key = SectionKey(line)) {
      inKey = EqualsIgnoringCase(*key, keyPath);
      continue;
    }
    if (!inKey)
      continue;
    if (const auto value = StringValue(line); value && EqualsIgnoringCase(value->first, valueName))
      return AsQueried(value->second);
  }
  return {};
}

namespace {

std::optional<std::string> ConfiguredGamePath(const EnvLookup &env) {
  if (const auto configured = env("TESSARY_GAME_PATH"); configured && !configured->empty())
    return configured;
  return std::nullopt;
}

#ifdef _WIN32

// The game's own "Game Path" value, from the registry the game's installer wrote it in.
std::string RegistryGamePath(const EnvLookup &) { return ReadRegistryText(kGameKey, kGameValue); }

// Without a game folder the dialog starts in the user's own folder.
std::string FallbackDialogFolder(const EnvLookup &env) {
  return WithSeparator(EnvOr(env, "USERPROFILE", "C:\\"));
}

#else
std::string WinePrefix(const EnvLookup &env) {
  if (const auto prefix = env("WINEPREFIX"); prefix && !prefix->empty())
    return *prefix;
  if (const auto home = env("HOME"); home && !home->empty())
    return WithSeparator(*home) + ".wine";
  return {};
}

std::string Wow6432Key() {
  const std::string key = kGameKey;
  const std::string root = "SOFTWARE\\";
  return root + "Wow6432Node\\" + key.substr(root.size());
}

// "C:\Games\SWGB\" -> the real folder behind dosdevices/c: followed by "/Games/SWGB/".
std::string MapWindowsPath(const std::string &prefix, const std::string &windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':' ||
      !std::isalpha(static_cast<unsigned char>(windowsPath[0])))
    return {};
  const std::filesystem::path link =
      std::filesystem::path(prefix) / "dosdevices" / (std::string(1, Lower(windowsPath[0])) + ":");
  std::error_code ec;
  const auto drive = std::filesystem::canonical(link, ec);
  if (ec || !std::filesystem::is_directory(drive, ec))
    return {};
  std::string rest = windowsPath.substr(2);
  for (char &c : rest)
    if (c == '\\')
      c = '/';
  while (!rest.empty() && rest.front() == '/')
    rest.erase(rest.begin());
  return WithSeparator(drive.string()) + rest;
}

// The game's own "Game Path" value from Wine's registry, mapped to a real folder.
std::string RegistryGamePath(const EnvLookup &env) {
  const std::string prefix = WinePrefix(env);
  if (prefix.empty())
    return {};
  const std::string registry = (std::filesystem::path(prefix) / "system.reg").string();
  std::string value = ReadRegistryText(registry, kGameKey, kGameValue);
  if (value.empty()) // a 32-bit installer in a 64-bit prefix writes under Wow6432Node
    value = ReadRegistryText(registry, Wow6432Key(), kGameValue);
  if (value.empty())
    return {};
  return MapWindowsPath(prefix, value);
}

// Without a game folder: Wine's drive_c when it exists, else the home folder.
std::string FallbackDialogFolder(const EnvLookup &env) {
  const std::string prefix = WinePrefix(env);
  std::error_code ec;
  if (!prefix.empty() &&
      std::filesystem::is_directory(std::filesystem::path(prefix) / "drive_c", ec))
    return WithSeparator((std::filesystem::path(prefix) / "drive_c").string());
  return WithSeparator(EnvOr(env, "HOME", "/"));
}

#endif

} // namespace

std::string GamePath(const EnvLookup &env) {
  if (const auto configured = ConfiguredGamePath(env))
    return *configured;
  return RegistryGamePath(env);
}

std::string ArchiveDialogFolder(const EnvLookup &env) {
  // Our own setting is a Linux path that users write either way, so it gets its separator; the
  // registry value is appended to directly, as the game's installer writes it with one.
  if (const auto configured = ConfiguredGamePath(env))
    return WithSeparator(*configured) + "data/";
  if (const std::string game = RegistryGamePath(env); !game.empty())
    return game + "data/";
  return FallbackDialogFolder(env);
}

} // namespace tessary
