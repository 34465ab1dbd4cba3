// Parses arbitrary bytes as a JASC-PAL file: a palette or a tessary::Error, nothing else.
#include "common/error.hpp"
#include "palette/palette.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  try {
    const auto table =
        tessary::ParseJascPal(std::string_view(reinterpret_cast<const char *>(data), size));
    for (const auto colour : table)
      if (colour > 0xFFFFFF)
        __builtin_trap(); // a colour reference never has its top byte set
  } catch (const tessary::Error &) {
  }
  return 0;
}
