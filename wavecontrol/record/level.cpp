#include "record/level.h"

#include <algorithm>

namespace tonwell {

// Float-to-integer conversions truncate toward zero; 0.78125 is 100/128. Only the positive
// half-wave is measured.
void recordLevel8(std::uint8_t* data, std::size_t n, float g, int& recordPeak, int& silencePeak) {
    int record = recordPeak, silence = silencePeak;
    for (std::size_t i = 0; i < n; ++i) {
        const int s = data[i];
        if (s > 128) silence = std::max(silence, static_cast<int>((s - 127) * 0.78125));
        const int v = std::clamp(static_cast<int>(static_cast<float>(s - 128) * g), -128, 127);
        data[i] = static_cast<std::uint8_t>(v + 128);
        if (v > 0) record = std::max(record, static_cast<int>((v + 1) * 0.78125));
    }
    recordPeak = record;
    silencePeak = silence;
}

void recordLevel16(std::uint8_t* data, std::size_t n, float g, int& recordPeak, int& silencePeak) {
    int record = recordPeak, silence = silencePeak;
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const int hi = data[i + 1];
        if (hi <= 127) silence = std::max(silence, static_cast<int>(hi * 0.78125));
        const auto s = static_cast<std::int16_t>(data[i] | (hi << 8));
        const int v = std::clamp(static_cast<int>(static_cast<float>(s) * g), -32768, 32767);
        const auto u = static_cast<std::uint16_t>(v);
        data[i] = static_cast<std::uint8_t>(u & 0xFF);
        data[i + 1] = static_cast<std::uint8_t>(u >> 8);
        if ((u >> 8) <= 127) record = std::max(record, static_cast<int>((u >> 8) * 0.78125));
    }
    recordPeak = record;
    silencePeak = silence;
}

}  // namespace tonwell
