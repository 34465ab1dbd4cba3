#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// The archive's 84-byte header.
struct DRSHeader {
  std::array<char, 60> banner{};
  std::array<char, 4> version{};
  std::array<char, 12> fileType{};
  std::int32_t tableCount = 0;
  std::int32_t headerTail = 0;
};

// One 12-byte table record.
struct DRSTableInfo {
  std::array<char, 4> tag{};
  std::int32_t entriesOffset = 0;
  std::int32_t entryCount = 0;
};

// The user's naming of a list line: three list choices and a free description.
struct ResourceNaming {
  std::array<std::int32_t, 3> choice{};
  std::string description;

  bool operator==(const ResourceNaming &) const = default;
};

// The archive entry behind one list line; all zero on a table heading.
struct DRSFileInfo {
  std::int32_t id = 0;
  std::int32_t offset = 0;
  std::int32_t size = 0;
  ResourceNaming naming;
};

// The kind code carried by every list line.
enum ResourceKind : int {
  kKindHeading = 0,
  kKindSprite = 1,
  kKindSound = 2,
  kKindBinary = 3,
  kKindOther = -1,
};

constexpr int kHeaderSize = 84;
constexpr int kTableRecordSize = 12;
constexpr int kEntryRecordSize = 12;
constexpr char kBanner[] = "Copyright (c) 2001 LucasArts"; // the 28 characters tested

} // namespace tessary
