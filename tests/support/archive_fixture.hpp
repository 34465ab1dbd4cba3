#pragma once

// Small archives made in code for the archive and command-line tests.
#include "archive/drs_writer.hpp"
#include "common/bounded_reader.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace tessary::test {

// The first four characters of text as a table tag (" pls").
inline std::array<char, 4> Tag(const char *text) { return {text[0], text[1], text[2], text[3]}; }

// n bytes counting up from seed, so a copy from the wrong offset shows.
inline std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
  return bytes;
}

// The archive the behaviour's worked example describes: " pls" with 100 and 101 (entries at
// offset 108), " vaw" with 200 (entries at offset 132).
inline std::vector<ArchiveTableSpec> WorkedExampleTables() {
  return {{Tag(" pls"), {{100, Pattern(10, 1)}, {101, Pattern(20, 2)}}},
          {Tag(" vaw"), {{200, Pattern(30, 3)}}}};
}

// Little-endian field edits on archive bytes.
inline void PutI32(std::vector<std::uint8_t> &bytes, std::size_t offset, std::int32_t value) {
  StoreI32(bytes.data() + offset, value);
}
inline std::int32_t GetI32(const std::vector<std::uint8_t> &bytes, std::size_t offset) {
  return LoadI32(bytes.data() + offset);
}

// The worked example with one 32-bit field changed.
inline std::vector<std::uint8_t> EditedWorkedExample(std::size_t offset, std::int32_t value) {
  auto bytes = BuildArchive(WorkedExampleTables());
  PutI32(bytes, offset, value);
  return bytes;
}

// Offsets of the fields the tests edit.
constexpr std::size_t kTableCountAt = 76;
inline std::size_t TableRecordAt(std::size_t table) { return 84 + 12 * table; }
inline std::size_t EntriesOffsetAt(std::size_t table) { return TableRecordAt(table) + 4; }
inline std::size_t EntryCountAt(std::size_t table) { return TableRecordAt(table) + 8; }

} // namespace tessary::test
