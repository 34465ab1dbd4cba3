// Turns arbitrary bytes into the text preview's RTF and reads that RTF back as the view does;
// also reads the bytes themselves as RTF. The preview of any bytes must come back as the same
// lines: the red heading, then each line of the resource in the default colour.
#include "view/bin_preview.hpp"
#include "view/rtf.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace {

// The lines of the bytes as the preview splits them (CR, CR LF or LF), each followed by "\n".
std::string ExpectedLines(std::string_view text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    out += '\n';
    if (end == std::string_view::npos) {
      out += text.substr(start);
      break;
    }
    out += text.substr(start, end - start);
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n')
      ++start;
  }
  return out;
}

void CheckPreview(std::span<const std::uint8_t> bytes) {
  constexpr std::int32_t kId = -7;
  const std::string rtf = tessary::view::BinPreviewRtf(kId, bytes);
  const tessary::view::RtfDocument doc = tessary::view::ParseRtf(rtf);
  const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  // The heading and every line end in "\par ", so the document ends in one empty paragraph.
  const std::string expected = "File " + std::to_string(kId) + ":" + ExpectedLines(text) + "\n";
  if (doc.plainText() != expected)
    __builtin_trap(); // a line lost, split or changed on its way through the RTF
  for (std::size_t p = 1; p < doc.paragraphs.size(); ++p)
    for (const auto &run : doc.paragraphs[p].runs)
      if (doc.colourOf(run))
        __builtin_trap(); // resource text is shown in the default colour
  (void)tessary::view::StartsWithJascPal(tessary::view::BinPreviewText(bytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  CheckPreview(bytes);
  const tessary::view::RtfDocument doc =
      tessary::view::ParseRtf(std::string_view(reinterpret_cast<const char *>(data), size));
  if (doc.paragraphs.empty())
    __builtin_trap(); // a document always has a paragraph to show
  for (const auto &paragraph : doc.paragraphs)
    for (const auto &run : paragraph.runs)
      (void)doc.colourOf(run);
  (void)doc.plainText();
  return 0;
}
