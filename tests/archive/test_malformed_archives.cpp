// Damaged archives: each either reads to a list or fails with the message the user sees, and
// extraction of an entry whose bytes are not all there fails cleanly instead of copying junk.
#include "archive/drs_writer.hpp"
#include "archive/extract.hpp"
#include "archive/read_archive.hpp"
#include "common/error.hpp"
#include "common/paths.hpp"
#include "support/archive_fixture.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::GetI32;
using test::PutI32;

// What reading an archive gave: its contents, or the error's message and detail.
struct Outcome {
  std::optional<ArchiveContents> contents;
  std::string message;
  std::string detail;
};

// An archive written to a file of its own and opened as the window opens it.
class ArchiveOnDisk {
public:
  explicit ArchiveOnDisk(const Bytes &bytes) : path_(dir_.file("archive.drs")) {
    test::WriteFile(path_, bytes);
    file_ = BoundedFile(PathOf(path_), ErrorKind::ArchiveRead);
  }

  // Reads the list, answering OK should the banner question come.
  Outcome read() const {
    Outcome outcome;
    try {
      outcome.contents = ReadArchive(file_, [] { return true; });
    } catch (const Error &e) {
      outcome.message = e.message();
      outcome.detail = e.detail();
    }
    return outcome;
  }

  // Extracts an entry; gives the copied bytes, or the error's message (and no file left).
  struct Extraction {
    std::optional<Bytes> bytes;
    std::string message;
    bool targetExists = false;
  };
  Extraction extract(const DRSFileInfo &entry) const {
    const std::string target = dir_.file("out.bin");
    std::filesystem::remove(target);
    Extraction result;
    try {
      ExtractResource(file_, target, entry, {});
      result.bytes = test::ReadFile(target);
    } catch (const Error &e) {
      result.message = e.message();
    }
    result.targetExists = std::filesystem::exists(target);
    return result;
  }

private:
  test::TempDir dir_;
  std::string path_;
  BoundedFile file_;
};

Outcome ReadBytes(const Bytes &bytes) { return ArchiveOnDisk(bytes).read(); }

void ExpectReadError(const Outcome &outcome) {
  EXPECT_FALSE(outcome.contents);
  EXPECT_EQ(outcome.message, "Error reading from DRS file!");
  EXPECT_FALSE(outcome.detail.empty());
}

std::vector<std::string> Texts(const ArchiveContents &contents) {
  std::vector<std::string> texts;
  for (const auto &line : contents.lines)
    texts.push_back(line.text);
  return texts;
}

// Where the structure an archive's list is built from ends: the header, the table records and
// every table's entry records. Worked out from the bytes, independently of the reader.
std::int64_t StructureEnd(const Bytes &bytes) {
  const std::int32_t tables = GetI32(bytes, test::kTableCountAt);
  std::int64_t end = 84 + 12 * std::int64_t{tables};
  for (std::int32_t t = 0; t < tables; ++t) {
    const std::int32_t count = GetI32(bytes, test::EntryCountAt(static_cast<std::size_t>(t)));
    if (count > 0)
      end = std::max(end, GetI32(bytes, test::EntriesOffsetAt(static_cast<std::size_t>(t))) +
                              12 * std::int64_t{count});
  }
  return end;
}

Bytes Resource(const Bytes &archive, const DRSFileInfo &entry) {
  return {archive.begin() + entry.offset, archive.begin() + entry.offset + entry.size};
}

// The worked example with table 2's entry records moved behind the resources, so a cut in the
// resource bytes can also cut a record.
Bytes RecordsAfterResources() {
  Bytes bytes = BuildArchive(test::WorkedExampleTables());
  const auto from = static_cast<std::size_t>(GetI32(bytes, test::EntriesOffsetAt(1)));
  const Bytes record(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(from) + 12);
  PutI32(bytes, test::EntriesOffsetAt(1), static_cast<std::int32_t>(bytes.size()));
  bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

// Cut after every byte: the list either fails with the reading message (something it needs is
// gone) or is the whole archive's list; then every entry either copies out exactly or, when its
// bytes were cut, fails with the saving message and leaves no file.
TEST(MalformedArchives, TruncatedAtEveryOffset) {
  const struct {
    const char *name;
    Bytes whole;
  } fixtures[] = {{"records first", BuildArchive(test::WorkedExampleTables())},
                  {"records last", RecordsAfterResources()}};
  for (const auto &fixture : fixtures) {
    SCOPED_TRACE(fixture.name);
    const Outcome full = ReadBytes(fixture.whole);
    ASSERT_TRUE(full.contents);
    const std::int64_t structureEnd = StructureEnd(fixture.whole);
    for (std::size_t length = 0; length <= fixture.whole.size(); ++length) {
      SCOPED_TRACE("cut at " + std::to_string(length));
      const Bytes cut(fixture.whole.begin(),
                      fixture.whole.begin() + static_cast<std::ptrdiff_t>(length));
      const ArchiveOnDisk archive(cut);
      const Outcome outcome = archive.read();
      if (static_cast<std::int64_t>(length) < structureEnd) {
        ExpectReadError(outcome);
        continue;
      }
      ASSERT_TRUE(outcome.contents) << outcome.detail;
      EXPECT_EQ(Texts(*outcome.contents), Texts(*full.contents));
      for (const ListLine &line : outcome.contents->lines) {
        const DRSFileInfo &entry = line.entry;
        const auto extraction = archive.extract(entry);
        if (entry.offset + std::int64_t{entry.size} <= static_cast<std::int64_t>(length)) {
          ASSERT_TRUE(extraction.bytes) << "entry " << entry.id << ": " << extraction.message;
          EXPECT_EQ(*extraction.bytes, Resource(fixture.whole, entry));
        } else {
          EXPECT_FALSE(extraction.bytes) << "entry " << entry.id;
          EXPECT_EQ(extraction.message, "Error saving file!");
          EXPECT_FALSE(extraction.targetExists);
        }
      }
    }
  }
}

// The worked example is 204 bytes: header 0-83, table records 84-107, entries of table 1 at
// 108-131 and of table 2 at 132-143, resources from 144.
TEST(MalformedArchives, CountsTheFileCannotHoldAreRefused) {
  const struct {
    const char *name;
    Bytes bytes;
  } cases[] = {
      {"no tables", test::EditedWorkedExample(test::kTableCountAt, 0)},
      {"negative table count", test::EditedWorkedExample(test::kTableCountAt, -1)},
      {"lowest table count", test::EditedWorkedExample(test::kTableCountAt, INT_MIN)},
      {"table records past the end", test::EditedWorkedExample(test::kTableCountAt, 11)},
      {"table count at the 16-bit limit", test::EditedWorkedExample(test::kTableCountAt, 32767)},
      {"table count past 16 bits", test::EditedWorkedExample(test::kTableCountAt, 32768)},
      {"huge table count", test::EditedWorkedExample(test::kTableCountAt, INT_MAX)},
      {"entries past the end", test::EditedWorkedExample(test::EntryCountAt(0), 9)},
      {"entry count at the 16-bit limit", test::EditedWorkedExample(test::EntryCountAt(1), 32767)},
      {"entry count past 16 bits", test::EditedWorkedExample(test::EntryCountAt(1), 32768)},
      {"huge entry count", test::EditedWorkedExample(test::EntryCountAt(0), INT_MAX)},
      {"negative entry count", test::EditedWorkedExample(test::EntryCountAt(0), -1)},
      {"lowest entry count", test::EditedWorkedExample(test::EntryCountAt(1), INT_MIN)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ExpectReadError(ReadBytes(c.bytes));
  }
}

TEST(MalformedArchives, EntryRunsOutsideTheFileAreRefused) {
  const struct {
    const char *name;
    std::int32_t entriesOffset; // of table 2, which has one entry
  } cases[] = {
      {"one byte before the file", -1},
      {"one record before the file", -12},
      {"lowest offset", INT_MIN},
      {"highest offset", INT_MAX},
      {"offset plus run overflows", INT_MAX - 11},
      {"at the end", 204},
      {"last record cut short", 204 - 11},
      {"far past the end", 1 << 30},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ExpectReadError(
        ReadBytes(test::EditedWorkedExample(test::EntriesOffsetAt(1), c.entriesOffset)));
  }
}

TEST(MalformedArchives, UnusedOffsetOfAnEmptyTableIsNotRead) {
  Bytes bytes = BuildArchive({{test::Tag(" pls"), {}}, {test::Tag(" vaw"), {{5, {1, 2}}}}});
  PutI32(bytes, test::EntriesOffsetAt(0), INT_MIN);
  const Outcome outcome = ReadBytes(bytes);
  ASSERT_TRUE(outcome.contents) << outcome.detail;
  EXPECT_EQ(Texts(*outcome.contents),
            (std::vector<std::string>{"--SLP (0)--", "--WAV (1)--", "5"}));
}

// Entry records are read as they stand; only copying an entry out needs its range to be real.
TEST(MalformedArchives, ResourceRangesOutsideTheFileFailOnlyWhenExtracted) {
  constexpr std::size_t kEntry101 = 108 + 12; // second entry of table 1
  const struct {
    const char *name;
    std::int32_t offset;
    std::int32_t size;
    bool copies;
  } cases[] = {
      {"negative offset", -1, 10, false},
      {"lowest offset", INT_MIN, 10, false},
      {"highest offset", INT_MAX, 1, false},
      {"offset plus size overflows", INT_MAX - 5, 10, false},
      {"starts at the end", 204, 1, false},
      {"one byte past the end", 195, 10, false},
      {"far past the end", 1 << 30, 16, false},
      {"negative size", 144, -1, false},
      {"lowest size", 144, INT_MIN, false},
      {"highest size", 0, INT_MAX, false},
      {"more than extraction can copy", 0, 32767 * 1024 + 1024, false},
      {"empty, at the end", 204, 0, true},
      {"the last byte", 203, 1, true},
      {"the header itself", 0, 84, true},
  };
  const Bytes whole = BuildArchive(test::WorkedExampleTables());
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = whole;
    PutI32(bytes, kEntry101 + 4, c.offset);
    PutI32(bytes, kEntry101 + 8, c.size);
    const ArchiveOnDisk archive(bytes);
    const Outcome outcome = archive.read();
    ASSERT_TRUE(outcome.contents) << outcome.detail;
    const DRSFileInfo &entry = outcome.contents->lines[2].entry;
    ASSERT_EQ(entry.id, 101);
    EXPECT_EQ(entry.offset, c.offset);
    EXPECT_EQ(entry.size, c.size);
    const auto extraction = archive.extract(entry);
    if (c.copies) {
      ASSERT_TRUE(extraction.bytes) << extraction.message;
      EXPECT_EQ(*extraction.bytes, Resource(bytes, entry));
    } else {
      EXPECT_EQ(extraction.message, "Error saving file!");
      EXPECT_FALSE(extraction.targetExists);
    }
  }
}

// Overlapping runs are allowed: the format does not forbid them, and reading them is harmless
// since every record is read as plain numbers and every resource as plain bytes.
TEST(MalformedArchives, OverlappingEntryRunsAreRead) {
  const Bytes whole = BuildArchive(test::WorkedExampleTables());
  const std::string tableTagAsId = std::to_string(GetI32(whole, 84));
  const std::string bannerAsId = std::to_string(GetI32(whole, 0));
  const struct {
    const char *name;
    std::int32_t entriesOffset; // of table 2
    std::int32_t entryCount;
    std::vector<std::string> lines;
  } cases[] = {
      {"two tables share one run",
       108,
       2,
       {"--SLP (2)--", "100", "101", "--WAV (2)--", "100", "101"}},
      {"runs overlap by one record",
       120,
       2,
       {"--SLP (2)--", "100", "101", "--WAV (2)--", "101", "200"}},
      {"entries read from the table records",
       84,
       1,
       {"--SLP (2)--", "100", "101", "--WAV (1)--", tableTagAsId}},
      {"entries read from the header",
       0,
       1,
       {"--SLP (2)--", "100", "101", "--WAV (1)--", bannerAsId}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = whole;
    PutI32(bytes, test::EntriesOffsetAt(1), c.entriesOffset);
    PutI32(bytes, test::EntryCountAt(1), c.entryCount);
    const Outcome outcome = ReadBytes(bytes);
    ASSERT_TRUE(outcome.contents) << outcome.detail;
    EXPECT_EQ(Texts(*outcome.contents), c.lines);
  }
}

TEST(MalformedArchives, OverlappingResourcesCopyTheSharedBytes) {
  Bytes bytes = BuildArchive(test::WorkedExampleTables());
  // Entry 101 starts inside entry 100 and runs into entry 200's bytes; entry 200 is read from
  // the entry records themselves.
  PutI32(bytes, 108 + 12 + 4, 144 + 5);
  PutI32(bytes, 132 + 4, 100);
  PutI32(bytes, 132 + 8, 40);
  const ArchiveOnDisk archive(bytes);
  const Outcome outcome = archive.read();
  ASSERT_TRUE(outcome.contents) << outcome.detail;
  for (const ListLine &line : outcome.contents->lines) {
    const DRSFileInfo &entry = line.entry;
    if (entry.size == 0)
      continue; // headings
    SCOPED_TRACE(entry.id);
    const auto extraction = archive.extract(entry);
    ASSERT_TRUE(extraction.bytes) << extraction.message;
    EXPECT_EQ(*extraction.bytes, Resource(bytes, entry));
  }
}

} // namespace
} // namespace tessary
