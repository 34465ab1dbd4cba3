#include "view/bin_preview.hpp"

namespace tessary::view {

namespace {

void AppendEscaped(std::string &out, std::string_view line) {
  for (const char c : line) {
    if (c == '\\' || c == '{' || c == '}')
      out += '\\';
    out += c;
  }
  out += "\\par ";
}

} // namespace

std::string BinPreviewText(std::span<const std::uint8_t> bytes) {
  const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      AppendEscaped(out, text.substr(start));
      break;
    }
    AppendEscaped(out, text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n')
      ++start;
  }
  return out;
}

std::string BinPreviewRtf(std::int32_t id, std::span<const std::uint8_t> bytes) {
  return "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\cf1 File " + std::to_string(id) +
         ":\\par \\cf0 " + BinPreviewText(bytes) + "}";
}

bool StartsWithJascPal(std::string_view previewText) {
  return previewText.substr(0, 8) == "JASC-PAL";
}

} // namespace tessary::view
