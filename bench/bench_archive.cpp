// Reading a large archive's structure and building its list: the cost of "Open..." on the
// biggest archive the 16-bit counters allow.
#include "archive/drs_writer.hpp"
#include "archive/read_archive.hpp"
#include "common/paths.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

constexpr int kEntries = 32000;

// The archive is made once per run in a private temporary folder and removed at exit.
class BenchArchive {
public:
  BenchArchive() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
      throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    path_ = (folder_ / "large.drs").string();

    // Four tables as in the game's archives, each entry a few bytes long.
    const std::array<std::array<char, 4>, 4> tags = {
        tessary::kSpriteTag, tessary::kSoundTag, tessary::kBinaryTag, {'a', 'b', 'c', 'd'}};
    std::vector<tessary::ArchiveTableSpec> tables;
    for (const auto &tag : tags)
      tables.push_back({tag, {}});
    for (int i = 0; i < kEntries; ++i)
      tables[static_cast<std::size_t>(i % 4)].entries.push_back(
          {i - 100, {static_cast<std::uint8_t>(i), 1, 2}});
    const auto bytes = tessary::BuildArchive(tables);
    std::ofstream out(path_, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
      throw std::runtime_error("cannot write " + path_);
  }
  ~BenchArchive() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const std::string &path() const { return path_; }

private:
  std::filesystem::path folder_;
  std::string path_;
};

const BenchArchive &Archive() {
  static const BenchArchive archive;
  return archive;
}

void BM_ReadArchive32000(benchmark::State &state) {
  const std::string &path = Archive().path();
  for (auto _ : state) {
    tessary::BoundedFile file(tessary::PathOf(path), tessary::ErrorKind::ArchiveRead);
    auto contents = tessary::ReadArchive(file, [] { return false; });
    if (!contents || contents->lines.size() != kEntries + 4)
      state.SkipWithError("archive not read");
    benchmark::DoNotOptimize(contents);
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ReadArchive32000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
