#include "play/gain.h"

#include <algorithm>

namespace tonwell {

// Float-to-integer conversions truncate toward zero, as the level arithmetic expects;
// 0.78125 is 100/128.
void applyGain8(std::uint8_t* data, std::size_t n, float g, int& peak) {
    for (std::size_t i = 0; i < n; ++i) {
        const int s = data[i] - 128;
        const int v = std::clamp(static_cast<int>(static_cast<float>(s) * g), -128, 127);
        data[i] = static_cast<std::uint8_t>(v + 128);
        if (v > 0) peak = std::max(peak, static_cast<int>((v + 1) * 0.78125));
    }
}

void applyGain16(std::uint8_t* data, std::size_t n, float g, int& peak) {
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const auto s = static_cast<std::int16_t>(data[i] | (data[i + 1] << 8));
        const int v = std::clamp(static_cast<int>(static_cast<float>(s) * g), -32768, 32767);
        const auto u = static_cast<std::uint16_t>(v);
        data[i] = static_cast<std::uint8_t>(u & 0xFF);
        data[i + 1] = static_cast<std::uint8_t>(u >> 8);
        const int high = data[i + 1];
        if (high <= 127) peak = std::max(peak, static_cast<int>(high * 0.78125));
    }
}

}  // namespace tonwell
