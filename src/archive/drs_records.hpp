#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// The two header layouts of the engine's archives: the 84-byte one this program's games use,
// and the 64-byte one of the older games.
enum class HeaderLayout { Swgb, Aoe };

// The archive's header, in either layout. The older layout's banner is 40 characters long; it
// fills the first 40 of `banner`, the rest stay zero. There `headerTail` is the offset of the
// first resource.
struct DRSHeader {
  HeaderLayout layout = HeaderLayout::Swgb;
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
constexpr int kOlderHeaderSize = 64;
constexpr int HeaderSizeOf(HeaderLayout layout) {
  return layout == HeaderLayout::Aoe ? kOlderHeaderSize : kHeaderSize;
}
constexpr int kTableRecordSize = 12;
constexpr int kEntryRecordSize = 12;
constexpr char kBanner[] = "Copyright (c) 2001 LucasArts"; // the 28 characters tested
// The older header is known by its first 36 characters and its version at offset 40.
constexpr char kOlderBanner[] = "Copyright (c) 1997 Ensemble Studios.";
constexpr char kOlderVersion[] = "1.00";
constexpr int kOlderVersionOffset = 40;

} // namespace tessary
