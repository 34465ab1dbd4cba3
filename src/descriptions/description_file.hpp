#pragma once

#include "archive/drs_records.hpp"
#include "common/limits.hpp"
#include "common/messages.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The description files (".dsc") that keep the naming of list lines: one line per named entry,
// "id@c0@c1@c2@text", each ended by CR LF.
namespace tessary {

// The description-file line of an entry, without its line end, or nothing when the entry is not
// named. The description is written without leading and trailing spaces; a line break inside it
// is written as a space so that one entry stays one line.
std::optional<std::string> DescriptionLine(const DRSFileInfo &file);

// Writes the line of every named entry, in list order, into a fresh file at path (any file of
// that name is replaced only once the new one is complete). Throws Error naming the file when
// it cannot be written.
void WriteDescriptionFile(const std::string &path, const std::vector<DRSFileInfo> &files);

// One line of a description file as read.
struct DescriptionRecord {
  std::int32_t id = 0;
  ResourceNaming naming;

  bool operator==(const DescriptionRecord &) const = default;
};

// The readable lines of a description file, in file order, and how many lines could not be
// used (fewer than five fields, an identifier out of range, a choice that is not a whole
// number or not an item of its list).
struct ParsedDescriptions {
  std::vector<DescriptionRecord> records;
  int skipped = 0;
};

// Splits text into lines (ended by CR LF or LF) and reads each one.
ParsedDescriptions ParseDescriptionText(std::string_view text);

// Reads one line (without its line end); nothing when it cannot be used.
std::optional<DescriptionRecord> ParseDescriptionLine(std::string_view line);

// The identifier field: the decimal number at its start, blanks ignored, anything after it
// ignored, no number giving 0; rounded to the nearest integer (ties to even). Nothing when the
// number does not fit a signed 32-bit value.
std::optional<std::int32_t> ParseDescriptionId(std::string_view field);

// A choice field: a whole signed 32-bit number, blanks around it allowed.
std::optional<std::int32_t> ParseChoiceField(std::string_view field);

// Reads and parses the description file at path. Throws Error naming the file when it cannot
// be read or is larger than kMaxDescriptionFileSize.
ParsedDescriptions ReadDescriptionFile(const std::string &path);

// What applying records did: how many records named an entry, how many matched no entry, and
// the indices (into files, ascending, each once) whose naming changed, so their list lines
// can be relabelled.
struct AppliedDescriptions {
  int applied = 0;
  int unmatched = 0;
  std::vector<std::size_t> changedLines;
};

// Gives each record's naming to the first entry (in list order) with the record's identifier;
// a later record for the same identifier overwrites an earlier one. Table headings have
// identifier 0, so a record with identifier 0 names the first heading.
AppliedDescriptions ApplyDescriptions(std::vector<DRSFileInfo> &files,
                                      const std::vector<DescriptionRecord> &records);

// Reads the description file at path and applies its lines as ApplyDescriptions does, one by
// one as they are read, so memory stays near the file's size however many lines it has.
// Throws Error naming the file when it cannot be read; nothing is applied then.
struct LoadedDescriptions {
  AppliedDescriptions applied;
  int skipped = 0;
};
LoadedDescriptions LoadDescriptionFile(std::vector<DRSFileInfo> &files, const std::string &path);

// The status line after loading: "Descriptions loaded: 3 applied, 1 skipped", with
// ", 2 not in this archive" before the skipped count when records matched no entry.
std::string DescriptionLoadStatus(const AppliedDescriptions &applied, int skipped);

} // namespace tessary
