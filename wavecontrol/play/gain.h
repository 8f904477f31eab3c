// The software volume stage and peak meter of mono PCM buffers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tonwell {

// Applies gain g in place to unsigned 8-bit samples (128 = silence) and raises `peak` (0..100)
// to the level of the largest positive sample after gain.
void applyGain8(std::uint8_t* data, std::size_t n, float g, int& peak);
// The same for little-endian signed 16-bit samples (n bytes, an even count).
void applyGain16(std::uint8_t* data, std::size_t n, float g, int& peak);

}  // namespace tonwell
