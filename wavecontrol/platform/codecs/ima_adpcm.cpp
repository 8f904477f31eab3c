// IMA ADPCM (tag 0x11), in the wave-file block layout: per block and channel a 4-byte header
// (first sample, step index), then 4-bit codes in groups of 4 bytes per channel, low nibble first.
#include "platform/codecs/codec.h"

#include <algorithm>

namespace tonwell {

namespace {

constexpr int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

struct Channel {
    int predictor = 0;
    int index = 0;

    std::int16_t decode(int code)
    {
        const int step = kStepTable[index];
        int diff = step >> 3;
        if (code & 1) diff += step >> 2;
        if (code & 2) diff += step >> 1;
        if (code & 4) diff += step;
        predictor += (code & 8) ? -diff : diff;
        predictor = std::clamp(predictor, -32768, 32767);
        index = std::clamp(index + kIndexTable[code & 15], 0, 88);
        return static_cast<std::int16_t>(predictor);
    }
};

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::int16_t s)
{
    out[at] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8);
}

class ImaDecoder : public StreamConverter {
public:
    ImaDecoder(std::uint16_t channels, std::uint16_t blockAlign) : channels_(channels), blockAlign_(blockAlign) {}

    std::size_t samplesPerBlock() const { return (blockAlign_ - 4u * channels_) * 2u / channels_ + 1; }

    bool convert(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, bool) override
    {
        // A short last block is decoded as far as it goes.
        for (std::size_t off = 0; off < in.size(); off += blockAlign_)
            decodeBlock(in.subspan(off, std::min<std::size_t>(blockAlign_, in.size() - off)), out);
        return true;
    }

private:
    void decodeBlock(std::span<const std::uint8_t> b, std::vector<std::uint8_t>& out)
    {
        if (b.size() < 4u * channels_)
            return;
        std::vector<Channel> ch(channels_);
        const std::size_t frames = 1 + (b.size() - 4u * channels_) * 2 / channels_;
        const std::size_t at = out.size();
        out.resize(at + frames * channels_ * 2);
        for (std::size_t c = 0; c < channels_; ++c) {
            ch[c].predictor = static_cast<std::int16_t>(b[4 * c] | (b[4 * c + 1] << 8));
            ch[c].index = std::min<int>(b[4 * c + 2], 88);
            put16(out, at + c * 2, static_cast<std::int16_t>(ch[c].predictor));
        }
        std::size_t pos = 4u * channels_;
        std::size_t frame = 1;
        while (pos + 4u * channels_ <= b.size()) {
            for (std::size_t c = 0; c < channels_; ++c) {
                for (std::size_t k = 0; k < 8; ++k) {
                    const std::uint8_t byte = b[pos + c * 4 + k / 2];
                    const int code = (k & 1) ? byte >> 4 : byte & 0x0F;
                    put16(out, at + ((frame + k) * channels_ + c) * 2, ch[c].decode(code));
                }
            }
            pos += 4u * channels_;
            frame += 8;
        }
        out.resize(at + frame * channels_ * 2);
    }

    std::uint16_t channels_;
    std::uint16_t blockAlign_;
};

class ImaAdpcmCodec : public Codec {
public:
    std::uint16_t tag() const override { return WAVE_FORMAT_IMA_ADPCM; }
    QString tagName() const override { return QStringLiteral("IMA ADPCM"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize + 2; }
    QString describe(const WaveFormat& f) const override
    {
        return QStringLiteral("%1, %2 Bit, %3").arg(rateText(f.samplesPerSec)).arg(f.bitsPerSample).arg(channelsText(f.channels));
    }
    std::unique_ptr<StreamConverter> openDecoder(const WaveFormat& f, WaveFormat* pcm) const override
    {
        if (f.channels == 0 || f.channels > 2 || f.bitsPerSample != 4 || f.blockAlign < 4u * f.channels + 4u * f.channels ||
            f.blockAlign % (4u * f.channels) != 0)
            return nullptr;
        *pcm = WaveFormat::pcm(f.samplesPerSec, 16, f.channels);
        return std::make_unique<ImaDecoder>(f.channels, f.blockAlign);
    }
};

} // namespace

std::unique_ptr<Codec> makeImaAdpcmCodec() { return std::make_unique<ImaAdpcmCodec>(); }

} // namespace tonwell
