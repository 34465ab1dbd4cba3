// Parses arbitrary bytes as a description file and applies it to a small list: every line ends
// up read or skipped, never a crash, and whatever is read writes back out and reads in again
// as the same identifier and choices.
#include "descriptions/description_file.hpp"
#include "descriptions/naming.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

// A list like a real one: headings (identifier 0) and a few entries, one identifier twice.
std::vector<tessary::DRSFileInfo> SmallList() {
  std::vector<tessary::DRSFileInfo> files(6);
  const std::int32_t ids[] = {0, 100, 101, 0, 200, 100};
  for (std::size_t i = 0; i < files.size(); ++i)
    files[i].id = ids[i];
  return files;
}

void CheckRoundTrip(const tessary::DescriptionRecord &record) {
  tessary::DRSFileInfo file;
  file.id = record.id;
  file.naming = record.naming;
  const auto line = tessary::DescriptionLine(file);
  if (!line)
    return; // nothing named: nothing written
  const auto again = tessary::ParseDescriptionLine(*line);
  if (!again || again->id != record.id || again->naming.choice != record.naming.choice)
    __builtin_trap(); // a written line must read back as what was written
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  const tessary::ParsedDescriptions parsed = tessary::ParseDescriptionText(text);
  for (const auto &record : parsed.records) {
    if (!tessary::ChoicesAreValid(record.naming.choice))
      __builtin_trap(); // choices outside their lists are skipped, never kept
    CheckRoundTrip(record);
  }
  auto files = SmallList();
  const auto applied = tessary::ApplyDescriptions(files, parsed.records);
  if (applied.applied + applied.unmatched != static_cast<int>(parsed.records.size()))
    __builtin_trap();
  for (const std::size_t line : applied.changedLines) {
    if (line >= files.size())
      __builtin_trap();
    (void)tessary::NamingLabel(files[line].naming);
  }
  (void)tessary::DescriptionLoadStatus(applied, parsed.skipped);
  return 0;
}
