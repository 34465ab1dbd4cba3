// Parses arbitrary bytes as an SLX index: its frames or a tessary::Error. A bitmap name never
// reaches outside the index's folder.
#include "common/error.hpp"
#include "sprite/slx_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool IsPlainName(const std::string &name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("\\/\0", 3)) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  try {
    const auto frames =
        tessary::ParseSLX(std::string_view(reinterpret_cast<const char *>(data), size), "fuzz.slx");
    if (frames.empty())
      __builtin_trap(); // an index names at least one frame
    for (const auto &frame : frames)
      if (!IsPlainName(frame.layerName) || !IsPlainName(frame.imageName))
        __builtin_trap();
  } catch (const tessary::Error &) {
  }
  return 0;
}
