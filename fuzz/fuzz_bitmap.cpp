// Reads arbitrary bytes as a bitmap (the frames an SLX export wrote, read back to encode a
// sprite): a picture with one colour per pixel, or a tessary::Error.
#include "common/error.hpp"
#include "surface/bmp_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  try {
    const tessary::BmpImage image =
        tessary::ParseBMP(std::span<const std::uint8_t>(data, size), "fuzz.bmp");
    if (image.width < 0 || image.height < 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
      __builtin_trap();
    if (!image.pixels.empty())
      (void)image.at(image.width - 1, image.height - 1);
  } catch (const tessary::Error &) {
  }
  return 0;
}
