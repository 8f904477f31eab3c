// G.711 A-law (tag 6) and u-law (tag 7): 8-bit logarithmic samples. Encoding rounds each 16-bit
// sample to the nearest 13-bit (A-law) or 14-bit (u-law) value, as sox does, then codes it.
#include "platform/codecs/g711.h"

#include "platform/codecs/codec.h"
#include "platform/codecs/codec_pair.h"

#include <algorithm>
#include <array>

namespace tonwell {

std::int16_t alawToLinear(std::uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    const int seg = (a & 0x70) >> 4;
    switch (seg) {
    case 0: t += 8; break;
    case 1: t += 0x108; break;
    default: t += 0x108; t <<= seg - 1;
    }
    return static_cast<std::int16_t>((a & 0x80) ? t : -t);
}

std::int16_t ulawToLinear(std::uint8_t u) {
    u = static_cast<std::uint8_t>(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<std::int16_t>((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

namespace {

// The segment of a magnitude: the first end value it does not exceed (8 when above them all).
int segment(int value, const std::array<int, 8>& ends) {
    for (int i = 0; i < 8; ++i)
        if (value <= ends[i]) return i;
    return 8;
}

std::uint8_t alawOf13(int pcm) {
    static constexpr std::array<int, 8> kEnds = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int mask = 0xD5;
    if (pcm < 0) {
        mask = 0x55;
        pcm = -pcm - 1;
    }
    const int seg = segment(pcm, kEnds);
    if (seg >= 8) return static_cast<std::uint8_t>(0x7F ^ mask);
    const int quant = seg < 2 ? (pcm >> 1) & 0x0F : (pcm >> seg) & 0x0F;
    return static_cast<std::uint8_t>(((seg << 4) | quant) ^ mask);
}

std::uint8_t ulawOf14(int pcm) {
    static constexpr std::array<int, 8> kEnds = {0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF, 0x1FFF};
    int mask = 0xFF;
    if (pcm < 0) {
        pcm = -pcm;
        mask = 0x7F;
    }
    pcm = std::min(pcm, 8159) + (0x84 >> 2);
    const int seg = segment(pcm, kEnds);
    if (seg >= 8) return static_cast<std::uint8_t>(0x7F ^ mask);
    return static_cast<std::uint8_t>(((seg << 4) | ((pcm >> (seg + 1)) & 0x0F)) ^ mask);
}

// Both directions for all inputs, built once: a conversion is then one lookup per sample.
struct Tables {
    std::array<std::uint8_t, 65536> toAlaw, toUlaw;
    Tables() {
        for (int s = -32768; s < 32768; ++s) {
            toAlaw[static_cast<std::uint16_t>(s)] = alawOf13(std::min((s + 4) >> 3, 4095));
            toUlaw[static_cast<std::uint16_t>(s)] = ulawOf14(std::min((s + 2) >> 2, 8191));
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

std::uint8_t linearToAlaw(std::int16_t s) { return tables().toAlaw[static_cast<std::uint16_t>(s)]; }
std::uint8_t linearToUlaw(std::int16_t s) { return tables().toUlaw[static_cast<std::uint16_t>(s)]; }

namespace {

class G711Decoder : public Converter {
public:
    explicit G711Decoder(std::int16_t (*fn)(std::uint8_t)) {
        for (int i = 0; i < 256; ++i) table_[i] = fn(static_cast<std::uint8_t>(i));
    }
    bool convert(std::span<const std::uint8_t> in, bool, std::vector<std::uint8_t>& out) override {
        const std::size_t at = out.size();
        out.resize(at + in.size() * 2);
        std::uint8_t* o = out.data() + at;
        for (std::size_t i = 0; i < in.size(); ++i) putSample(o + 2 * i, table_[in[i]]);
        return true;
    }

private:
    std::array<std::int16_t, 256> table_;
};

class G711Encoder : public Converter {
public:
    explicit G711Encoder(const std::array<std::uint8_t, 65536>& table) : table_(table) {}
    bool convert(std::span<const std::uint8_t> in, bool, std::vector<std::uint8_t>& out) override {
        const std::size_t n = in.size() / 2;
        const std::size_t at = out.size();
        out.resize(at + n);
        for (std::size_t i = 0; i < n; ++i)
            out[at + i] = table_[static_cast<std::uint16_t>(in[2 * i] | (in[2 * i + 1] << 8))];
        return true;
    }

private:
    const std::array<std::uint8_t, 65536>& table_;
};

class G711Driver : public CodecPairDriver {
public:
    G711Driver(std::uint16_t tag, QString name, bool alaw) : tag_(tag), name_(std::move(name)), alaw_(alaw) {}
    QString name() const override { return QStringLiteral("Tonwell CCITT G.711 ") + (alaw_ ? "A-Law" : "u-Law"); }
    std::uint16_t tag() const override { return tag_; }
    QString tagName() const override { return name_; }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize; }
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
        return f.tag == tag_ && f.channels >= 1 && f.channels <= 2 && f.bitsPerSample == 8 &&
               f.blockAlign == f.channels && f.samplesPerSec >= kMinRate && f.samplesPerSec <= kMaxRate &&
               f.avgBytesPerSec == f.samplesPerSec * f.channels;
    }
    std::optional<WaveFormat> formatFor(std::uint32_t rate, std::uint16_t channels) const override {
        WaveFormat f = WaveFormat::pcm(rate, 8, channels);
        f.tag = tag_;
        if (!accepts(f)) return std::nullopt;
        return f;
    }
    std::unique_ptr<Converter> decoder(const WaveFormat&) const override {
        return std::make_unique<G711Decoder>(alaw_ ? &alawToLinear : &ulawToLinear);
    }
    std::unique_ptr<Converter> encoder(const WaveFormat&) const override {
        return std::make_unique<G711Encoder>(alaw_ ? tables().toAlaw : tables().toUlaw);
    }
    std::uint32_t samplesPerBlock(const WaveFormat&) const override { return 1; }

private:
    std::uint16_t tag_;
    QString name_;
    bool alaw_;
};

}  // namespace

std::unique_ptr<CodecDriver> makeALawDriver() {
    return std::make_unique<G711Driver>(WAVE_FORMAT_ALAW, QStringLiteral("CCITT A-Law"), true);
}

std::unique_ptr<CodecDriver> makeMuLawDriver() {
    return std::make_unique<G711Driver>(WAVE_FORMAT_MULAW, QStringLiteral("CCITT u-Law"), false);
}

}  // namespace tonwell
