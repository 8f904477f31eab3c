// IMA ADPCM (tag 0x11), in the wave-file block layout: per block and channel a 4-byte header
// (first sample, step index), then 4-bit codes in groups of 4 bytes per channel, low nibble first.
#include "platform/codecs/codec.h"
#include "platform/codecs/codec_pair.h"

#include <algorithm>

namespace tonwell {

namespace {

constexpr int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

struct Channel {
    int predictor = 0;
    int index = 0;

    std::int16_t decode(int code) {
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

    // Chooses the code that brings the predictor nearest to `sample`, and applies it.
    int encode(int sample) {
        const int step = kStepTable[index];
        int diff = sample - predictor;
        int code = 0;
        if (diff < 0) {
            code = 8;
            diff = -diff;
        }
        int part = step;
        for (int bit = 4; bit; bit >>= 1, part >>= 1) {
            if (diff >= part) {
                code |= bit;
                diff -= part;
            }
        }
        decode(code);
        return code;
    }
};

std::uint32_t samplesPerBlockOf(std::uint16_t channels, std::uint16_t blockAlign) {
    return (blockAlign / channels - 4u) * 2u + 1u;
}

class ImaDecoder : public Converter {
public:
    ImaDecoder(std::uint16_t channels, std::uint16_t blockAlign) : channels_(channels), blockAlign_(blockAlign) {}

    bool convert(std::span<const std::uint8_t> in, bool, std::vector<std::uint8_t>& out) override {
        // A short last block is decoded as far as it goes.
        for (std::size_t off = 0; off < in.size(); off += blockAlign_)
            decodeBlock(in.subspan(off, std::min<std::size_t>(blockAlign_, in.size() - off)), out);
        return true;
    }

private:
    void decodeBlock(std::span<const std::uint8_t> b, std::vector<std::uint8_t>& out) {
        if (b.size() < 4u * channels_) return;
        Channel ch[2];
        const std::size_t groups = (b.size() - 4u * channels_) / (4u * channels_);
        const std::size_t frames = 1 + groups * 8;
        const std::size_t at = out.size();
        out.resize(at + frames * channels_ * 2);
        std::uint8_t* o = out.data() + at;
        for (std::size_t c = 0; c < channels_; ++c) {
            ch[c].predictor = sampleAt(&b[4 * c]);
            ch[c].index = std::min<int>(b[4 * c + 2], 88);
            putSample(o + c * 2, static_cast<std::int16_t>(ch[c].predictor));
        }
        std::size_t pos = 4u * channels_;
        for (std::size_t g = 0; g < groups; ++g, pos += 4u * channels_)
            for (std::size_t c = 0; c < channels_; ++c)
                for (std::size_t k = 0; k < 8; ++k) {
                    const std::uint8_t byte = b[pos + c * 4 + k / 2];
                    const int code = (k & 1) ? byte >> 4 : byte & 0x0F;
                    putSample(o + ((1 + g * 8 + k) * channels_ + c) * 2, ch[c].decode(code));
                }
    }

    std::uint16_t channels_;
    std::uint16_t blockAlign_;
};

class ImaEncoder : public Converter {
public:
    ImaEncoder(std::uint16_t channels, std::uint16_t blockAlign)
        : channels_(channels), samplesPerBlock_(samplesPerBlockOf(channels, blockAlign)) {}

    bool convert(std::span<const std::uint8_t> in, bool end, std::vector<std::uint8_t>& out) override {
        // Whole blocks on every pass; the last pass's tail becomes a short block of whole groups.
        const std::size_t frameBytes = 2u * channels_;
        const std::size_t frames = in.size() / frameBytes;
        for (std::size_t f = 0; f < frames; f += samplesPerBlock_) {
            const std::size_t n = std::min<std::size_t>(samplesPerBlock_, frames - f);
            if (n < samplesPerBlock_ && !end) break;
            encodeBlock(in.subspan(f * frameBytes, n * frameBytes), n, out);
        }
        return true;
    }

private:
    void encodeBlock(std::span<const std::uint8_t> pcm, std::size_t frames, std::vector<std::uint8_t>& out) {
        auto sample = [&](std::size_t frame, std::size_t c) -> int {
            return frame < frames ? sampleAt(&pcm[(frame * channels_ + c) * 2]) : 0;
        };
        const std::size_t groups = (frames - 1 + 7) / 8;
        const std::size_t at = out.size();
        out.resize(at + 4u * channels_ * (1 + groups));
        std::uint8_t* o = out.data() + at;
        for (std::size_t c = 0; c < channels_; ++c) {
            ch_[c].predictor = sample(0, c);
            putSample(o + 4 * c, static_cast<std::int16_t>(ch_[c].predictor));
            o[4 * c + 2] = static_cast<std::uint8_t>(ch_[c].index);
            o[4 * c + 3] = 0;
        }
        std::size_t pos = 4u * channels_;
        for (std::size_t g = 0; g < groups; ++g, pos += 4u * channels_)
            for (std::size_t c = 0; c < channels_; ++c)
                for (std::size_t k = 0; k < 8; k += 2) {
                    const int lo = ch_[c].encode(sample(1 + g * 8 + k, c));
                    const int hi = ch_[c].encode(sample(2 + g * 8 + k, c));
                    o[pos + c * 4 + k / 2] = static_cast<std::uint8_t>(lo | (hi << 4));
                }
    }

    std::uint16_t channels_;
    std::uint32_t samplesPerBlock_;
    Channel ch_[2];
};

class ImaAdpcmDriver : public CodecPairDriver {
public:
    QString name() const override { return QStringLiteral("Tonwell IMA ADPCM"); }
    std::uint16_t tag() const override { return WAVE_FORMAT_IMA_ADPCM; }
    QString tagName() const override { return QStringLiteral("IMA ADPCM"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize + 2; }
    std::vector<WaveFormat> formats() const override {
        std::vector<WaveFormat> list;
        for (std::uint32_t rate : {8000u, 11025u, 22050u, 44100u})
            for (std::uint16_t channels : {1, 2}) list.push_back(*formatFor(rate, channels));
        return list;
    }
    QString describe(const WaveFormat& f) const override {
        return QStringLiteral("%1, %2 Bit, %3")
            .arg(rateText(f.samplesPerSec))
            .arg(f.bitsPerSample)
            .arg(channelsText(f.channels));
    }

protected:
    bool accepts(const WaveFormat& f) const override {
        // Blocks of whole 4-byte groups per channel, at least one group after the headers; one
        // second must hold a block.
        return f.tag == WAVE_FORMAT_IMA_ADPCM && f.channels >= 1 && f.channels <= 2 && f.bitsPerSample == 4 &&
               f.blockAlign >= 8u * f.channels && f.blockAlign % (4u * f.channels) == 0 &&
               f.samplesPerSec >= kMinRate && f.samplesPerSec <= kMaxRate && f.avgBytesPerSec >= f.blockAlign &&
               f.avgBytesPerSec <= f.samplesPerSec * f.channels;
    }
    std::optional<WaveFormat> formatFor(std::uint32_t rate, std::uint16_t channels) const override {
        // 256 bytes a channel up to 11.025 kHz, doubling with the rate.
        WaveFormat f;
        f.tag = WAVE_FORMAT_IMA_ADPCM;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.bitsPerSample = 4;
        f.blockAlign = static_cast<std::uint16_t>(256u * channels * std::max(1u, std::min(rate / 11025u, 8u)));
        const std::uint32_t spb = samplesPerBlockOf(channels, f.blockAlign);
        f.avgBytesPerSec = static_cast<std::uint32_t>(std::uint64_t(rate) * f.blockAlign / spb);
        f.extra = {static_cast<std::uint8_t>(spb & 0xFF), static_cast<std::uint8_t>(spb >> 8)};
        f.cbSize = 2;
        if (!accepts(f)) return std::nullopt;
        return f;
    }
    std::unique_ptr<Converter> decoder(const WaveFormat& f) const override {
        return std::make_unique<ImaDecoder>(f.channels, f.blockAlign);
    }
    std::unique_ptr<Converter> encoder(const WaveFormat& f) const override {
        return std::make_unique<ImaEncoder>(f.channels, f.blockAlign);
    }
    std::uint32_t samplesPerBlock(const WaveFormat& f) const override {
        return samplesPerBlockOf(f.channels, f.blockAlign);
    }
};

}  // namespace

std::unique_ptr<CodecDriver> makeImaAdpcmDriver() { return std::make_unique<ImaAdpcmDriver>(); }

}  // namespace tonwell
