#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Small path and number helpers. Both "\" and "/" count as folder separators, so paths written
// the Windows way and Linux paths behave alike.
namespace tessary {

// The file name without folder and extension: the text between the last separator and the last
// ".". A path with no "." or no separator comes back unchanged; when the last "." lies before the
// last separator (a dot in a folder name) the text after the last separator is returned.
std::string FileTitle(const std::string &path);

// The path up to and including its last separator; empty when it has none.
std::string FolderOfPath(const std::string &path);

// The text after the last separator; the whole path when it has none.
std::string NameOfPath(const std::string &path);

// The decimal digits of n (no sign), left-padded with "0" to at least 3 characters.
std::string PadNumber(long long n);

// The larger of two signed 16-bit values (a when a > b, otherwise b).
std::int16_t IntMax(std::int16_t a, std::int16_t b);

// The path without its extension, as the export commands build their base names:
// FolderOfPath(path) + FileTitle(path); a name whose last dot lies in a folder name keeps its
// whole file name.
std::string BaseNameOfPath(const std::string &path);

bool IsSeparator(char c);

// The program holds paths as UTF-8 text (what it prints, and what Qt and the command line hand
// it); the file system takes them as std::filesystem::path, which is UTF-16 on Windows. These
// two convert at that boundary, never through the system's narrow code page.
std::filesystem::path PathOf(std::string_view utf8);
std::string TextOf(const std::filesystem::path &path);
std::vector<std::filesystem::path> PathsOf(const std::vector<std::string> &utf8);

} // namespace tessary
