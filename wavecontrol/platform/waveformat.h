// The wave format record: the 18-byte little-endian header with its extra bytes.
#pragma once
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace tonwell {

constexpr std::uint16_t WAVE_FORMAT_PCM = 0x0001;
constexpr std::uint16_t WAVE_FORMAT_ALAW = 0x0006;
constexpr std::uint16_t WAVE_FORMAT_MULAW = 0x0007;
constexpr std::uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr std::uint16_t WAVE_FORMAT_GSM610 = 0x0031;
constexpr std::uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;

// Size of the header before the extra bytes (tag .. cbSize).
constexpr std::size_t kWaveFormatHeaderSize = 18;
// A buffer whose channel count holds this value is "not set".
constexpr std::uint16_t kFormatNotSet = 911;

struct WaveFormat {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t cbSize = 0;
    std::vector<std::uint8_t> extra;  // the extra bytes present (at most cbSize)

    static WaveFormat pcm(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels = 1);
    // Reads a record from raw bytes; fields past the end read 0 and at most the bytes present
    // are taken as extra bytes.
    static WaveFormat fromBytes(std::span<const std::uint8_t> bytes);
    // The record as stored: header plus extra bytes (cbSize is written as the extra length).
    std::vector<std::uint8_t> toBytes() const;

    bool isPcm() const { return tag == WAVE_FORMAT_PCM; }
    std::uint16_t extraU16(std::size_t offset) const;  // 0 when absent
    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

// Field access on a format buffer (the control's byte buffers of the maximum format size).
namespace formatbuf {
std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t offset);
std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t offset);
void setU16(std::span<std::uint8_t> b, std::size_t offset, std::uint16_t v);
inline std::uint16_t channels(std::span<const std::uint8_t> b) { return u16(b, 2); }
inline bool isSet(std::span<const std::uint8_t> b) { return channels(b) != kFormatNotSet; }
inline void markNotSet(std::span<std::uint8_t> b) { setU16(b, 2, kFormatNotSet); }
}  // namespace formatbuf

}  // namespace tonwell
