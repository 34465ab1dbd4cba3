#include "ui/wave_check.hpp"

#include "common/bounded_reader.hpp"

#include <cstring>

namespace tessary::ui {

namespace {

bool HasTag(std::span<const std::uint8_t> bytes, std::size_t at, const char *tag) {
  return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

} // namespace

bool IsCompleteWave(std::span<const std::uint8_t> bytes) {
  if (!HasTag(bytes, 0, "RIFF") || !HasTag(bytes, 8, "WAVE"))
    return false;
  bool format = false;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const auto size = static_cast<std::uint32_t>(LoadI32(bytes.data() + at + 4));
    const std::size_t body = at + 8;
    if (size > bytes.size() - body)
      return false; // the chunk runs past the end
    if (HasTag(bytes, at, "fmt "))
      format = size >= 16;
    else if (HasTag(bytes, at, "data"))
      return format;
    at = body + size + (size & 1u); // chunks are padded to an even length
  }
  return false;
}

} // namespace tessary::ui
