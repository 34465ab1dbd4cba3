#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tessary {

// Looks up an environment variable; the window asks its platform, tests pass their own.
using EnvLookup = std::function<std::optional<std::string>(const std::string &)>;

// The working folder for temporary copies and extracted palettes: TEMP when set, else the
// system temporary folder, followed by "tessary/". It is created private to the user (0700);
// an existing folder that is not a real folder owned by the user with no access for others is
// not used, and a fresh private folder made with mkdtemp takes its place. The result always
// ends in a separator. Throws nothing: when no private folder can be had the result is empty,
// and `whyNot` (when given) says why; nothing is then to be written or deleted there.
std::string WorkFolder(const EnvLookup &env, std::string *whyNot = nullptr);

// True when path is a folder (not a symlink) owned by this user with mode 0700.
bool IsPrivateFolder(const std::string &path);

// Reads a string value from a Wine registry file (system.reg): key path with "\" separators
// (as "SOFTWARE\\LucasArts..."), value name. Empty text when the key or value is missing or not
// a string value.
std::string ReadRegistryText(const std::string &registryFile, const std::string &keyPath,
                             const std::string &valueName);

#ifdef _WIN32
// Reads a string value (REG_SZ, or REG_EXPAND_SZ left unexpanded) of a key under
// HKEY_LOCAL_MACHINE from the registry's 32-bit view, where the game, a 32-bit program, wrote
// it. Empty text when the key or value is missing, not a string, or too long to be read.
std::string ReadRegistryText(const std::string &keyPath, const std::string &valueName);
#endif

// The game folder: TESSARY_GAME_PATH, else the "Game Path" value from the registry (on Linux,
// Wine's registry, mapped through dosdevices to a real folder). Empty when none is found.
std::string GamePath(const EnvLookup &env);

// Where the archive dialog starts, when the game folder is known: TESSARY_GAME_PATH, a separator
// when it lacks one, and "data/"; else the registry's game folder with "data/" appended
// directly, as the registry value is written. Without either, Wine's drive_c when it exists,
// else the home folder.
std::string ArchiveDialogFolder(const EnvLookup &env);

constexpr char kGameKey[] =
    "SOFTWARE\\LucasArts Entertainment Company LLC\\Star Wars Galactic Battlegrounds\\1.0";
constexpr char kGameValue[] = "Game Path";

} // namespace tessary
