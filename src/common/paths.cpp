#include "common/paths.hpp"

namespace tessary {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::filesystem::path PathOf(std::string_view utf8) {
  return std::filesystem::path(
      std::u8string_view(reinterpret_cast<const char8_t *>(utf8.data()), utf8.size()));
}

std::vector<std::filesystem::path> PathsOf(const std::vector<std::string> &utf8) {
  std::vector<std::filesystem::path> paths;
  paths.reserve(utf8.size());
  for (const auto &text : utf8)
    paths.push_back(PathOf(text));
  return paths;
}

std::string TextOf(const std::filesystem::path &path) {
  const std::u8string text = path.u8string();
  return {reinterpret_cast<const char *>(text.data()), text.size()};
}

namespace {
std::string::size_type LastSeparator(const std::string &path) { return path.find_last_of("\\/"); }
} // namespace

std::string FileTitle(const std::string &path) {
  const auto sep = LastSeparator(path);
  const auto dot = path.rfind('.');
  if (sep == std::string::npos || dot == std::string::npos)
    return path;
  if (dot < sep) // the only dots are in folder names: the name has no extension
    return path.substr(sep + 1);
  return path.substr(sep + 1, dot - sep - 1);
}

std::string FolderOfPath(const std::string &path) {
  const auto sep = LastSeparator(path);
  return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string NameOfPath(const std::string &path) {
  const auto sep = LastSeparator(path);
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string PadNumber(long long n) {
  const unsigned long long magnitude =
      n < 0 ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 3)
    digits.insert(0, 3 - digits.size(), '0');
  return digits;
}

std::int16_t IntMax(std::int16_t a, std::int16_t b) { return a > b ? a : b; }

std::string BaseNameOfPath(const std::string &path) {
  const auto sep = LastSeparator(path);
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
    return path;
  return path.substr(0, dot);
}

} // namespace tessary
