#include "platform/waveformat.h"

#include <algorithm>

namespace tonwell {

namespace formatbuf {

std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t o) {
    return o + 2 <= b.size() ? static_cast<std::uint16_t>(b[o] | (b[o + 1] << 8)) : 0;
}

std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t o) {
    return o + 4 <= b.size() ? std::uint32_t(b[o]) | (std::uint32_t(b[o + 1]) << 8) | (std::uint32_t(b[o + 2]) << 16) |
                                   (std::uint32_t(b[o + 3]) << 24)
                             : 0;
}

void setU16(std::span<std::uint8_t> b, std::size_t o, std::uint16_t v) {
    if (o + 2 <= b.size()) {
        b[o] = static_cast<std::uint8_t>(v & 0xFF);
        b[o + 1] = static_cast<std::uint8_t>(v >> 8);
    }
}

}  // namespace formatbuf

WaveFormat WaveFormat::pcm(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    WaveFormat f;
    f.tag = WAVE_FORMAT_PCM;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

WaveFormat WaveFormat::fromBytes(std::span<const std::uint8_t> b) {
    using namespace formatbuf;
    WaveFormat f;
    f.tag = u16(b, 0);
    f.channels = u16(b, 2);
    f.samplesPerSec = u32(b, 4);
    f.avgBytesPerSec = u32(b, 8);
    f.blockAlign = u16(b, 12);
    f.bitsPerSample = u16(b, 14);
    f.cbSize = u16(b, 16);
    if (b.size() > kWaveFormatHeaderSize) {
        const std::size_t n = std::min<std::size_t>(f.cbSize, b.size() - kWaveFormatHeaderSize);
        f.extra.assign(b.begin() + kWaveFormatHeaderSize,
                       b.begin() + static_cast<std::ptrdiff_t>(kWaveFormatHeaderSize + n));
    }
    return f;
}

std::vector<std::uint8_t> WaveFormat::toBytes() const {
    std::vector<std::uint8_t> b(kWaveFormatHeaderSize + extra.size());
    auto put16 = [&](std::size_t o, std::uint16_t v) { formatbuf::setU16(b, o, v); };
    auto put32 = [&](std::size_t o, std::uint32_t v) {
        put16(o, static_cast<std::uint16_t>(v & 0xFFFF));
        put16(o + 2, static_cast<std::uint16_t>(v >> 16));
    };
    put16(0, tag);
    put16(2, channels);
    put32(4, samplesPerSec);
    put32(8, avgBytesPerSec);
    put16(12, blockAlign);
    put16(14, bitsPerSample);
    put16(16, static_cast<std::uint16_t>(extra.size()));
    std::copy(extra.begin(), extra.end(), b.begin() + kWaveFormatHeaderSize);
    return b;
}

std::uint16_t WaveFormat::extraU16(std::size_t offset) const { return formatbuf::u16(extra, offset); }

}  // namespace tonwell
