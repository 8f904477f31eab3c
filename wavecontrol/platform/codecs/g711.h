// G.711 A-law and u-law samples to and from 16-bit linear (the ITU-T G.711 tables).
#pragma once
#include <cstdint>

namespace tonwell {
std::int16_t alawToLinear(std::uint8_t a);
std::int16_t ulawToLinear(std::uint8_t u);
std::uint8_t linearToAlaw(std::int16_t s);
std::uint8_t linearToUlaw(std::int16_t s);
}  // namespace tonwell
