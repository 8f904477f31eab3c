// The codec manager: the drivers that name, describe and convert wave formats.
#pragma once
#include "platform/waveformat.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tonwell {

// A conversion stream between two formats. Input comes in whole source blocks where the format
// has blocks; `end` flushes whatever the converter still holds.
class StreamConverter {
public:
    virtual ~StreamConverter() = default;
    // Appends the converted bytes to `out`; false when the input cannot be converted.
    virtual bool convert(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, bool end) = 0;
};

// One driver of the codec manager (an ACM driver's stand-in): one format tag.
class Codec {
public:
    virtual ~Codec() = default;
    virtual std::uint16_t tag() const = 0;
    virtual QString tagName() const = 0;
    // The largest format record this driver produces, extra bytes included.
    virtual std::size_t maxFormatSize() const = 0;
    // The details text of a format, as the compression manager words it ("8.000 kHz, 16 Bit, Mono").
    virtual QString describe(const WaveFormat& f) const = 0;
    // The decoding direction the device mapper uses: a converter to 16-bit PCM (its format in
    // *pcm), or null when this format cannot be decoded.
    virtual std::unique_ptr<StreamConverter> openDecoder(const WaveFormat& f, WaveFormat* pcm) const = 0;
};

class CodecManager {
public:
    static const CodecManager& instance();

    const Codec* codec(std::uint16_t tag) const;
    // The largest format size over all drivers (at least 18).
    std::size_t maxFormatSize() const;
    // False when no driver knows the tag.
    bool tagName(std::uint16_t tag, QString* name) const;
    bool describe(const WaveFormat& f, QString* text) const;
    std::unique_ptr<StreamConverter> openDecoder(const WaveFormat& f, WaveFormat* pcm) const;

private:
    CodecManager();
    std::vector<std::unique_ptr<Codec>> codecs_;
};

// Shared wording of the format details.
QString rateText(std::uint32_t samplesPerSec);      // "8.000 kHz"
QString channelsText(std::uint16_t channels);       // "Mono", "Stereo", "3 Channels"

std::unique_ptr<Codec> makePcmCodec();
std::unique_ptr<Codec> makeALawCodec();
std::unique_ptr<Codec> makeMuLawCodec();
std::unique_ptr<Codec> makeImaAdpcmCodec();
std::unique_ptr<Codec> makeGsm610Codec();
std::unique_ptr<Codec> makeMp3Codec();

} // namespace tonwell
