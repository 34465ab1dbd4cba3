#pragma once

#include "common/error.hpp"
#include "sprite/slp_records.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// Opens a sprite file and reads its header and frame table. Throws Error(ErrorKind::SpriteRead,
// path, detail) for a file that cannot be read, a frame count below 1 or above 32767, a frame table
// past the end of the file, or a frame over 8192 rows, 32767 columns or kMaxSurfaceBytes of
// pixels. A frame whose width or height is 0 or less is accepted: it draws nothing.
SLPFile LoadSLPInfo(const std::string &path);

// The same from bytes already in memory (path is only used in messages).
SLPFile ParseSLP(std::span<const std::uint8_t> bytes, const std::string &path = {});

// The same, taking over the bytes (a sprite read out of an archive) without a copy. name stands
// for the sprite in messages, say "resource 7 of units.drs".
SLPFile ParseSLP(std::vector<std::uint8_t> &&bytes, const std::string &name);

} // namespace tessary
