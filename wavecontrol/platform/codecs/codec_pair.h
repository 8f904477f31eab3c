// The shape shared by the codec drivers: each converts between its own tag and 16-bit PCM of the
// same rate and channel count, one codec block at a time.
#pragma once
#include "platform/codecs/codec.h"

#include <optional>

namespace tonwell {

// Rates any driver takes: wider than every listed format, narrow enough that one second of any
// format stays a small buffer.
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 192000;

// Little-endian 16-bit samples in and out of byte buffers.
inline std::int16_t sampleAt(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
inline void putSample(std::uint8_t* p, std::int16_t s) {
    p[0] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) & 0xFF);
    p[1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8);
}

class CodecPairDriver : public CodecDriver {
public:
    MMRESULT suggest(const WaveFormat& src, WaveFormat* dst, std::uint32_t flags) const override;
    MMRESULT openConverter(const WaveFormat& src, const WaveFormat& dst,
                           std::unique_ptr<Converter>* out) const override;
    std::uint32_t sourceAlign(const WaveFormat& src, const WaveFormat& dst) const override;

protected:
    // Whether `f` is a well-formed format of this tag that the codec handles (fields consistent).
    virtual bool accepts(const WaveFormat& f) const = 0;
    // The codec's format for a rate and channel count, if it has one.
    virtual std::optional<WaveFormat> formatFor(std::uint32_t rate, std::uint16_t channels) const = 0;
    virtual std::unique_ptr<Converter> decoder(const WaveFormat& f) const = 0;
    virtual std::unique_ptr<Converter> encoder(const WaveFormat& f) const = 0;
    // Samples per channel in one codec block.
    virtual std::uint32_t samplesPerBlock(const WaveFormat& f) const = 0;
};

// Whether `pcm` is 16-bit PCM with the rate and channels of `codec`.
bool isMatchingPcm16(const WaveFormat& pcm, const WaveFormat& codec);

}  // namespace tonwell
