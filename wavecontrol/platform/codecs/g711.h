// G.711 sample expansion (ITU-T G.711 A-law and u-law to 16-bit linear).
#pragma once
#include <cstdint>

namespace tonwell {
std::int16_t alawToLinear(std::uint8_t a);
std::int16_t ulawToLinear(std::uint8_t u);
} // namespace tonwell
