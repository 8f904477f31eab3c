// The record level stage of mono PCM buffers: gain, the peak meter after gain and the silence
// detector's peak before it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tonwell {

// Unsigned 8-bit samples (128 = silence): raises `silencePeak` by the raw samples above 128,
// applies gain g in place and raises `recordPeak` by the positive samples after gain (0..100).
void recordLevel8(std::uint8_t* data, std::size_t n, float g, int& recordPeak, int& silencePeak);
// The same for little-endian signed 16-bit samples (n bytes; an odd last byte is left alone),
// measured on the high byte.
void recordLevel16(std::uint8_t* data, std::size_t n, float g, int& recordPeak, int& silencePeak);

}  // namespace tonwell
