#include "common/printable_text.hpp"

namespace tessary {

std::string PrintableText(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string printable;
  printable.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      printable += c;
      continue;
    }
    printable += "\\x";
    printable += kDigits[byte >> 4];
    printable += kDigits[byte & 0xF];
  }
  return printable;
}

} // namespace tessary
