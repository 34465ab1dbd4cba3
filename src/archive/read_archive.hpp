#pragma once

#include "archive/drs_records.hpp"
#include "common/bounded_reader.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessary {

// One line of the resource list: its text, its kind and the archive entry behind it (all zero
// on a table heading).
struct ListLine {
  std::string text;
  int kind = kKindHeading;
  DRSFileInfo entry;
};

// What reading an archive yields: the header, the table records and the resource list, one
// record per line in list order.
struct ArchiveContents {
  DRSHeader header;
  std::vector<DRSTableInfo> tables;
  std::vector<ListLine> lines;
};

// The kind text of a tag: its 4th, 3rd and 2nd characters, upper-cased (" pls" gives "SLP").
std::string TableKindText(const std::array<char, 4> &tag);
// The list-line kind a kind text selects: "WAV" 2, "BIN" 3, "SLP" 1, anything else -1.
int KindOfTableText(const std::string &kindText);
// "--SLP (2)--".
std::string HeadingText(const std::string &kindText, std::int32_t entryCount);
// True when the first 28 bytes read "Copyright (c) 2001 LucasArts".
bool BannerIsValid(const std::array<char, 60> &banner);

// Asked when the banner test fails; true means go on reading anyway (the OK answer).
using ConfirmInvalidBanner = std::function<bool()>;

// Reads the whole archive structure, in the older games' 64-byte layout when its banner and
// version say so (never asking then), else in the 84-byte layout. Returns nullopt when the
// 84-byte banner is wrong and the question is declined. Throws Error(ErrorKind::ArchiveRead, the
// archive, detail) for a malformed archive: a table count below 1 or above 32767, more than 32767
// entries or 32766 list lines in all, a negative entry count, or any table or entry run lying past
// the end of the file.
std::optional<ArchiveContents> ReadArchive(const BoundedFile &archive,
                                           const ConfirmInvalidBanner &askContinue);

// The file name without folder and extension (the label of the open archive).
std::string ArchiveLabel(const std::string &archivePath);

} // namespace tessary
