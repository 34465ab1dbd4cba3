#include "descriptions/description_file.hpp"
#include "common/paths.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/safe_write.hpp"
#include "descriptions/naming.hpp"

#include <charconv>
#include <cmath>
#include <unordered_map>

namespace tessary {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string TrimSpaces(const std::string &text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos)
    return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Reads the number at the start of an identifier field into plain text for from_chars: an
// optional sign, digits, a fraction and an exponent, with blanks anywhere in between dropped.
class NumberScanner {
public:
  explicit NumberScanner(std::string_view field) : field_(field) {}

  std::string scan(bool &anyDigit) {
    std::string number;
    skipBlanks();
    if (pos_ < field_.size() && (field_[pos_] == '+' || field_[pos_] == '-')) {
      if (field_[pos_] == '-')
        number += '-';
      ++pos_;
    }
    anyDigit = appendDigits(number);
    skipBlanks();
    if (pos_ < field_.size() && field_[pos_] == '.') {
      ++pos_;
      std::string fraction;
      if (appendDigits(fraction)) {
        number += '.' + fraction;
        anyDigit = true;
      }
    }
    if (anyDigit)
      appendExponent(number);
    return number;
  }

private:
  void skipBlanks() {
    while (pos_ < field_.size() && IsBlank(field_[pos_]))
      ++pos_;
  }

  bool appendDigits(std::string &out) {
    bool any = false;
    for (;;) {
      skipBlanks();
      if (pos_ >= field_.size() || !IsDigit(field_[pos_]))
        return any;
      out += field_[pos_++];
      any = true;
    }
  }

  // An exponent counts only when digits follow it; otherwise it is text after the number.
  void appendExponent(std::string &number) {
    const std::size_t saved = pos_;
    skipBlanks();
    if (pos_ >= field_.size() || (field_[pos_] != 'e' && field_[pos_] != 'E')) {
      pos_ = saved;
      return;
    }
    ++pos_;
    std::string exponent = "e";
    skipBlanks();
    if (pos_ < field_.size() && (field_[pos_] == '+' || field_[pos_] == '-'))
      exponent += field_[pos_++];
    if (appendDigits(exponent))
      number += exponent;
    else
      pos_ = saved;
  }

  std::string_view field_;
  std::size_t pos_ = 0;
};

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto at = line.find('@');
    fields.push_back(line.substr(0, at));
    if (at == std::string_view::npos)
      return fields;
    line.remove_prefix(at + 1);
  }
}

std::string OneLine(std::string text) {
  for (char &c : text)
    if (c == '\r' || c == '\n')
      c = ' ';
  return text;
}

} // namespace

std::optional<std::string> DescriptionLine(const DRSFileInfo &file) {
  if (!IsNamed(file.naming))
    return std::nullopt;
  const auto &c = file.naming.choice;
  return std::to_string(file.id) + "@" + std::to_string(c[0]) + "@" + std::to_string(c[1]) + "@" +
         std::to_string(c[2]) + "@" + TrimSpaces(OneLine(file.naming.description));
}

void WriteDescriptionFile(const std::string &path, const std::vector<DRSFileInfo> &files) {
  std::string bytes;
  for (const DRSFileInfo &file : files)
    if (auto line = DescriptionLine(file))
      bytes += *line + "\r\n";
  WriteFileSafely(PathOf(path),
                  {reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()},
                  ErrorKind::DescriptionSave, true);
}

std::optional<std::int32_t> ParseDescriptionId(std::string_view field) {
  bool anyDigit = false;
  const std::string number = NumberScanner(field).scan(anyDigit);
  if (!anyDigit)
    return 0;
  double value = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec != std::errc() || end != number.data() + number.size())
    return std::nullopt;
  const double rounded = std::nearbyint(value); // the default mode rounds ties to even
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
    return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

std::optional<std::int32_t> ParseChoiceField(std::string_view field) {
  field = TrimBlanks(field);
  bool negative = false;
  if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  if (field.empty())
    return std::nullopt;
  for (char c : field)
    if (!IsDigit(c))
      return std::nullopt;
  std::int64_t value = 0;
  for (char c : field) {
    value = value * 10 + (c - '0');
    if (value > 2147483648LL)
      return std::nullopt;
  }
  if (negative)
    value = -value;
  if (value > 2147483647LL)
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<DescriptionRecord> ParseDescriptionLine(std::string_view line) {
  const std::vector<std::string_view> fields = SplitFields(line);
  if (fields.size() < 5)
    return std::nullopt;
  DescriptionRecord record;
  const auto id = ParseDescriptionId(fields[0]);
  if (!id)
    return std::nullopt;
  record.id = *id;
  for (std::size_t i = 0; i < 3; ++i) {
    const auto choice = ParseChoiceField(fields[i + 1]);
    if (!choice)
      return std::nullopt;
    record.naming.choice[i] = *choice;
  }
  if (!ChoicesAreValid(record.naming.choice))
    return std::nullopt;
  record.naming.description = std::string(fields[4]);
  return record;
}

namespace {

// Calls take(record) for every usable line of text and skip() for every other one, in order.
template <class Take, class Skip>
void ForEachDescriptionLine(std::string_view text, Take &&take, Skip &&skip) {
  while (!text.empty()) {
    const auto lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (auto record = ParseDescriptionLine(line))
      take(std::move(*record));
    else
      skip();
  }
}

// Gives records, one at a time, to the first entry of their identifier.
class DescriptionApplier {
public:
  explicit DescriptionApplier(std::vector<DRSFileInfo> &files)
      : files_(files), changed_(files.size(), false) {
    // The first entry of each identifier, so a long file against a long list stays quick.
    for (std::size_t i = 0; i < files.size(); ++i)
      firstOfId_.try_emplace(files[i].id, i);
  }

  void apply(DescriptionRecord record) {
    const auto found = firstOfId_.find(record.id);
    if (found == firstOfId_.end()) {
      ++result_.unmatched;
      return;
    }
    files_[found->second].naming = std::move(record.naming);
    changed_[found->second] = true;
    ++result_.applied;
  }

  AppliedDescriptions finish() {
    for (std::size_t i = 0; i < changed_.size(); ++i)
      if (changed_[i])
        result_.changedLines.push_back(i);
    return std::move(result_);
  }

private:
  std::vector<DRSFileInfo> &files_;
  std::unordered_map<std::int32_t, std::size_t> firstOfId_;
  std::vector<bool> changed_;
  AppliedDescriptions result_;
};

std::string ReadDescriptionText(const std::string &path) {
  return ReadWholeFile(PathOf(path), kMaxDescriptionFileSize, ErrorKind::DescriptionOpen);
}

} // namespace

ParsedDescriptions ParseDescriptionText(std::string_view text) {
  ParsedDescriptions parsed;
  ForEachDescriptionLine(
      text, [&](DescriptionRecord record) { parsed.records.push_back(std::move(record)); },
      [&] { ++parsed.skipped; });
  return parsed;
}

ParsedDescriptions ReadDescriptionFile(const std::string &path) {
  return ParseDescriptionText(ReadDescriptionText(path));
}

AppliedDescriptions ApplyDescriptions(std::vector<DRSFileInfo> &files,
                                      const std::vector<DescriptionRecord> &records) {
  DescriptionApplier applier(files);
  for (const DescriptionRecord &record : records)
    applier.apply(record);
  return applier.finish();
}

LoadedDescriptions LoadDescriptionFile(std::vector<DRSFileInfo> &files, const std::string &path) {
  // Each line is applied as it is read: a file of many short lines would otherwise be held a
  // second time, many times over, as a list of records.
  const std::string text = ReadDescriptionText(path);
  DescriptionApplier applier(files);
  LoadedDescriptions loaded;
  ForEachDescriptionLine(
      text, [&](DescriptionRecord record) { applier.apply(std::move(record)); },
      [&] { ++loaded.skipped; });
  loaded.applied = applier.finish();
  return loaded;
}

std::string DescriptionLoadStatus(const AppliedDescriptions &applied, int skipped) {
  std::string text = kDescriptionsLoadedPrefix + std::to_string(applied.applied) + " applied";
  if (applied.unmatched > 0)
    text += ", " + std::to_string(applied.unmatched) + " not in this archive";
  return text + ", " + std::to_string(skipped) + " skipped";
}

} // namespace tessary
