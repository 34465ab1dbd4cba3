#include "view/dialog_filter.hpp"

namespace tessary::view {

namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos)
      return parts;
    start = end + 1;
  }
}

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos)
    return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

} // namespace

std::vector<FilterEntry> ParseDialogFilter(std::string_view filter) {
  std::vector<FilterEntry> entries;
  if (filter.empty())
    return entries;
  const auto parts = Split(filter, '|');
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    std::string patterns = i + 1 < parts.size() ? parts[i + 1] : std::string();
    entries.push_back({parts[i], patterns.empty() ? std::string("*") : patterns});
  }
  return entries;
}

std::string QtFilterName(const FilterEntry &entry) {
  std::string_view description = entry.description;
  if (!description.empty() && description.back() == ')') {
    const auto open = description.rfind('(');
    if (open != std::string_view::npos)
      description = description.substr(0, open);
  }
  std::string patterns;
  for (const auto &pattern : Split(entry.patterns, ';')) {
    const std::string p = Trimmed(pattern);
    if (p.empty())
      continue;
    if (!patterns.empty())
      patterns += ' ';
    patterns.append(p == "*.*" ? std::string("*") : p);
  }
  if (patterns.empty())
    patterns.push_back('*');
  std::string name = Trimmed(description);
  if (name.empty())
    name = patterns;
  name.append(" (");
  name.append(patterns);
  name.append(")");
  return name;
}

std::string QtFilterText(const std::vector<FilterEntry> &entries) {
  std::string text;
  for (const auto &entry : entries) {
    if (!text.empty())
      text += ";;";
    text += QtFilterName(entry);
  }
  return text;
}

std::string QtSelectedFilter(const std::vector<FilterEntry> &entries, int index) {
  if (entries.empty())
    return {};
  if (index < 1 || static_cast<std::size_t>(index) > entries.size())
    index = 1;
  return QtFilterName(entries[static_cast<std::size_t>(index - 1)]);
}

} // namespace tessary::view
