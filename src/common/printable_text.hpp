#pragma once

#include <string>
#include <string_view>

namespace tessary {

// The text with every control byte (below 0x20, and 0x7F) written as \xNN in upper-case hex, so
// that a file name or a line read from a file cannot move the cursor, clear a terminal or cut a
// message short with a NUL when it is echoed in a message. Every other byte is kept as it is.
std::string PrintableText(std::string_view text);

} // namespace tessary
