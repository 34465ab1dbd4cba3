#include "support/test_support.hpp"

#include "common/paths.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace tessary::test {

TempDir::TempDir() {
  std::mt19937_64 random{std::random_device{}()};
  const auto root = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = root / ("tessary-test-" + std::to_string(random() % 1000000000));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a test folder in " + root.string());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::file(const std::string &name) const { return TextOf(path_ / PathOf(name)); }

void WriteFile(const std::string &path, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path);
}

void WriteText(const std::string &path, const std::string &text) {
  WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadFile(const std::string &path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void SetEnv(const std::string &name, const std::string &value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnv(const std::string &name) {
#ifdef _WIN32
  _putenv_s(name.c_str(), ""); // an empty value removes the variable there
#else
  ::unsetenv(name.c_str());
#endif
}

} // namespace tessary::test
