#include "descriptions/naming.hpp"

#include <string>

namespace tessary {

const std::array<const char *, 7> kFactionItems = {"[N/A]", "Empire",     "Gungans", "Rebels",
                                                   "Naboo", "Trade Fed.", "Wookiees"};
const std::array<const char *, 5> kTechLevelItems = {"[N/A]", "1 (T1)", "2 (T2)", "3 (T3)",
                                                     "4 (T4)"};
const std::array<const char *, 10> kGraphicItems = {"[N/A]",
                                                    "Building Normal",
                                                    "Building Shadow",
                                                    "Building Foundation",
                                                    "Building Partial",
                                                    "Unit Attacking",
                                                    "Unit Dying",
                                                    "Unit Standing",
                                                    "Unit Decaying",
                                                    "Unit Walking"};

namespace {

template <std::size_t N>
std::vector<std::string> ItemsOf(const std::array<const char *, N> &items) {
  return {items.begin(), items.end()};
}

bool InList(std::int32_t choice, std::size_t itemCount) {
  return choice >= 0 && static_cast<std::size_t>(choice) < itemCount;
}

} // namespace

std::vector<std::string> RenameListItems(int list) {
  switch (list) {
  case 0:
    return ItemsOf(kFactionItems);
  case 1:
    return ItemsOf(kTechLevelItems);
  case 2:
    return ItemsOf(kGraphicItems);
  default:
    return {};
  }
}

bool ChoicesAreValid(const std::array<std::int32_t, 3> &choice) {
  return InList(choice[0], kFactionItems.size()) && InList(choice[1], kTechLevelItems.size()) &&
         InList(choice[2], kGraphicItems.size());
}

std::string NamingLabel(const ResourceNaming &naming) {
  const std::int32_t faction = naming.choice[0];
  const std::int32_t tech = naming.choice[1];
  std::string label;
  if (faction != 0) {
    // A faction outside the list cannot come from the lists or a loaded file; show its number
    // rather than read past the table.
    label = InList(faction, kFactionItems.size())
                ? std::string(1, kFactionItems[static_cast<std::size_t>(faction)][0])
                : std::to_string(faction);
    if (tech != 0)
      label += "/T" + std::to_string(tech);
  } else if (tech != 0) {
    label = "T" + std::to_string(tech);
  } else {
    return naming.description;
  }
  return label + ": " + naming.description;
}

bool IsNamed(const ResourceNaming &naming) {
  return naming.choice[0] != 0 || naming.choice[1] != 0 || naming.choice[2] != 0 ||
         !naming.description.empty();
}

} // namespace tessary
