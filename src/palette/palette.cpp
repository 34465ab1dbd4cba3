#include "palette/palette.hpp"

#include "common/bounded_reader.hpp"
#include "common/error.hpp"
#include "common/limits.hpp"
#include "common/paths.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tessary {

namespace {

constexpr std::string_view kMagic = "JASC-PAL";
constexpr int kFirstColourField = 4;

// Reads a JASC-PAL text field by field: a field ends at a comma or a line end (CR LF, LF or a
// lone CR), and the spaces in front of a field are skipped.
class FieldReader {
public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  // The next field, or nothing when the text has run out.
  std::optional<std::string_view> Next() {
    while (pos_ < text_.size() && text_[pos_] == ' ')
      ++pos_;
    if (pos_ >= text_.size())
      return std::nullopt;
    ++fieldNumber_;
    fieldLine_ = line_;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsFieldEnd(text_[pos_]))
      ++pos_;
    const std::string_view field = text_.substr(start, pos_ - start);
    SkipFieldEnd();
    return field;
  }

  int FieldNumber() const { return fieldNumber_; }
  int FieldLine() const { return fieldLine_; }

private:
  static bool IsFieldEnd(char c) { return c == ',' || c == '\r' || c == '\n'; }

  void SkipFieldEnd() {
    if (pos_ >= text_.size())
      return;
    const char end = text_[pos_++];
    if (end == ',')
      return;
    ++line_;
    if (end == '\r' && pos_ < text_.size() && text_[pos_] == '\n')
      ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int fieldNumber_ = 0;
  int fieldLine_ = 1;
};

// Keeps quoted file text short enough for a message line.
std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::string shown(text.substr(0, kShown));
  if (text.size() > kShown)
    shown += "...";
  return "\"" + shown + "\"";
}

[[noreturn]] void FailAtField(const FieldReader &fields, const std::string &why) {
  const int colour = fields.FieldNumber() - kFirstColourField;
  throw Error(ErrorKind::PaletteOpen, {},
              "line " + std::to_string(fields.FieldLine()) + " (field " +
                  std::to_string(fields.FieldNumber()) + ", colour " + std::to_string(colour) +
                  "): " + why);
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a fraction's digits make the rounding go up: above one half always, exactly one half
// only towards an even result.
bool RoundsUp(std::string_view fraction, long long whole) {
  if (fraction.empty() || fraction.front() < '5')
    return false;
  if (fraction.front() > '5')
    return true;
  if (fraction.substr(1).find_first_not_of('0') != std::string_view::npos)
    return true;
  return whole % 2 != 0;
}

// A decimal number that fits 16 bits signed, a fraction rounded half to even; nothing when
// the text is not such a number.
std::optional<int> ParseInt16(std::string_view text) {
  text = TrimSpaces(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() && fraction.empty())
    return std::nullopt;
  constexpr long long kBeyond = 1 << 16; // any magnitude past this is out of range anyway
  long long magnitude = 0;
  for (const char c : whole) {
    if (!IsDigit(c))
      return std::nullopt;
    magnitude = std::min(magnitude * 10 + (c - '0'), kBeyond);
  }
  for (const char c : fraction)
    if (!IsDigit(c))
      return std::nullopt;
  if (RoundsUp(fraction, magnitude))
    ++magnitude;
  const long long value = negative ? -magnitude : magnitude;
  if (value < INT16_MIN || value > INT16_MAX)
    return std::nullopt;
  return static_cast<int>(value);
}

// One colour component; a value above 255 counts as 255.
unsigned ParseComponent(const FieldReader &fields, std::string_view part, const char *name) {
  if (part.empty())
    FailAtField(fields, std::string("the ") + name + " value is empty");
  const std::optional<int> value = ParseInt16(part);
  if (!value)
    FailAtField(fields, std::string("the ") + name + " value " + Quoted(part) +
                            " is not a number from -32768 to 32767");
  if (*value < 0)
    FailAtField(fields, std::string("the ") + name + " value " + Quoted(part) + " is below 0");
  return static_cast<unsigned>(std::min(*value, 255));
}

// Splits at single spaces into at most three parts, the last keeping any rest.
Colour ParseColourField(const FieldReader &fields, std::string_view field) {
  std::string_view parts[3];
  std::size_t count = 0;
  std::string_view rest = field;
  for (;;) {
    if (count == 2) {
      parts[count++] = rest;
      break;
    }
    const std::size_t space = rest.find(' ');
    parts[count++] = rest.substr(0, space);
    if (space == std::string_view::npos)
      break;
    rest.remove_prefix(space + 1);
  }
  if (count < 3)
    FailAtField(fields, Quoted(field) + " does not hold three numbers (red green blue)");
  const unsigned red = ParseComponent(fields, parts[0], "red");
  const unsigned green = ParseComponent(fields, parts[1], "green");
  const unsigned blue = ParseComponent(fields, parts[2], "blue");
  return RGB(red, green, blue);
}

std::string UpperCase(std::string text) {
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

} // namespace

PaletteTable ParseJascPal(std::string_view text) {
  FieldReader fields(text);
  const std::optional<std::string_view> magic = fields.Next();
  if (!magic)
    throw Error(ErrorKind::PaletteOpen, {}, "the file is empty");
  if (*magic != kMagic)
    throw Error(ErrorKind::PaletteNotValid, {},
                "the first field is " + Quoted(*magic) + ", not \"" + std::string(kMagic) + "\"");
  for (int header = 2; header < kFirstColourField; ++header)
    if (!fields.Next())
      throw Error(ErrorKind::PaletteOpen, {},
                  "the file ends before field " + std::to_string(header) + " of its header");

  PaletteTable table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::optional<std::string_view> field = fields.Next();
    if (!field)
      throw Error(ErrorKind::PaletteOpen, {},
                  "the file ends after " + std::to_string(i) + " colours; a palette needs 256");
    table[i] = ParseColourField(fields, *field);
  }
  return table;
}

void LoadPalette(PaletteTable &table, const std::string &palettePath) {
  if (palettePath.empty()) {
    table = DefaultPalette();
    return;
  }
  const std::string text =
      ReadWholeFile(PathOf(palettePath), kMaxPaletteFileBytes, ErrorKind::PaletteOpen);
  try {
    // Parsed aside and assigned whole, so a file that fails part way changes nothing.
    table = ParseJascPal(text);
  } catch (const Error &e) {
    // The text alone does not know which file it came from.
    throw Error(e.kind(), palettePath, palettePath + ": " + e.detail());
  }
}

std::string PaletteCaption(const std::string &palettePath) {
  if (palettePath.empty())
    return kDefaultPaletteCaption;
  // The file name without its extension; a name without one is shown whole.
  std::string title = NameOfPath(palettePath);
  if (const auto dot = title.rfind('.'); dot != std::string::npos)
    title.erase(dot);
  return "[" + UpperCase(title) + "] Select...";
}

} // namespace tessary
