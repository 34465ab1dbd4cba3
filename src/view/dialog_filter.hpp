#pragma once

#include <string>
#include <string_view>
#include <vector>

// File dialog filters are written the old way, "DRS files (*.drs)|*.drs|All files (*.*)|*.*":
// description and pattern list alternate, separated by "|", patterns separated by ";". These
// helpers turn that into the entries a toolkit dialog wants.
namespace tessary::view {

struct FilterEntry {
  std::string description;
  std::string patterns;
};

// A description without its pattern half gets "*".
std::vector<FilterEntry> ParseDialogFilter(std::string_view filter);

// The entry as a Qt name filter: the description without any trailing "(...)", then the
// patterns in parentheses separated by spaces. "*.*" becomes "*", since on Linux "*.*" would
// hide every file without a dot.
std::string QtFilterName(const FilterEntry &entry);

// All entries joined by ";;".
std::string QtFilterText(const std::vector<FilterEntry> &entries);

// The Qt name of entry `index` (counted from 1); the first entry when index is out of range,
// empty when there are none.
std::string QtSelectedFilter(const std::vector<FilterEntry> &entries, int index);

} // namespace tessary::view
