#pragma once

#include "archive/drs_records.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Naming of list lines: a faction, a tech level, a graphic and a free description.
namespace tessary {

// The fixed items of the three naming lists, by index; index 0 is "[N/A]" in each.
extern const std::array<const char *, 7> kFactionItems;
extern const std::array<const char *, 5> kTechLevelItems;
extern const std::array<const char *, 10> kGraphicItems;

// The items of naming list i (0 faction, 1 tech level, 2 graphic); empty for any other i.
std::vector<std::string> RenameListItems(int list);

// True when every choice indexes an item of its list.
bool ChoicesAreValid(const std::array<std::int32_t, 3> &choice);

// The text a named line shows in place of its identifier: the faction's first letter, "/T" and
// the tech level, ": " and the description, leaving out what is not chosen ("E/T2: Trooper
// walking", "R: Hangar", "T4: ", or just the description). The graphic does not appear.
std::string NamingLabel(const ResourceNaming &naming);

// True when the naming says anything: a non-zero choice or a non-empty description.
bool IsNamed(const ResourceNaming &naming);

} // namespace tessary
