#pragma once

#include <cstdint>
#include <span>

namespace tessary::ui {

// True when the bytes are a RIFF WAVE file whose "fmt " chunk (at least 16 bytes) and "data"
// chunk both lie wholly inside them. Sound playback is only handed files that pass: Qt's sample
// loader waits for ever on a header that never completes, and the next sound would then wait
// on it, freezing the window.
bool IsCompleteWave(std::span<const std::uint8_t> bytes);

} // namespace tessary::ui
