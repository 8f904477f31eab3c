// GSM 6.10 (tag 0x31) with libgsm, in the wave-file packing: 65-byte blocks of two 160-sample
// frames (33 + 32 bytes, libgsm's WAV49 option), mono only.
#include "platform/codecs/codec.h"
#include "platform/codecs/codec_pair.h"

#include <gsm.h>

namespace tonwell {

namespace {

constexpr std::uint16_t kBlock = 65;
constexpr std::uint32_t kSamplesPerBlock = 320;

class Gsm {
public:
    Gsm() : gsm_(gsm_create()) {
        int one = 1;
        if (gsm_) gsm_option(gsm_, GSM_OPT_WAV49, &one);
    }
    ~Gsm() {
        if (gsm_) gsm_destroy(gsm_);
    }
    Gsm(const Gsm&) = delete;
    Gsm& operator=(const Gsm&) = delete;
    bool valid() const { return gsm_ != nullptr; }

protected:
    gsm gsm_;
};

class GsmDecoder : public Converter, public Gsm {
public:
    bool convert(std::span<const std::uint8_t> in, bool, std::vector<std::uint8_t>& out) override {
        // Only whole blocks decode; a torn last block is dropped.
        for (std::size_t off = 0; off + kBlock <= in.size(); off += kBlock) {
            gsm_signal pcm[kSamplesPerBlock];
            // libgsm reads through non-const pointers but does not write the input.
            auto* block = const_cast<gsm_byte*>(in.data() + off);
            if (gsm_decode(gsm_, block, pcm) < 0 || gsm_decode(gsm_, block + 33, pcm + 160) < 0) return false;
            const std::size_t at = out.size();
            out.resize(at + sizeof pcm);
            for (std::uint32_t i = 0; i < kSamplesPerBlock; ++i) putSample(&out[at + 2 * i], pcm[i]);
        }
        return true;
    }
};

class GsmEncoder : public Converter, public Gsm {
public:
    bool convert(std::span<const std::uint8_t> in, bool end, std::vector<std::uint8_t>& out) override {
        // Whole blocks come in on every pass but the last, whose tail is padded with silence.
        const std::size_t blockBytes = 2 * kSamplesPerBlock;
        for (std::size_t off = 0; off < in.size(); off += blockBytes) {
            gsm_signal pcm[kSamplesPerBlock] = {};
            const std::size_t n = std::min(blockBytes, in.size() - off) / 2;
            if (n < kSamplesPerBlock && !end) break;
            for (std::size_t i = 0; i < n; ++i) pcm[i] = sampleAt(&in[off + 2 * i]);
            const std::size_t at = out.size();
            out.resize(at + kBlock);
            gsm_encode(gsm_, pcm, &out[at]);
            gsm_encode(gsm_, pcm + 160, &out[at + 32]);
        }
        return true;
    }
};

template <class T>
std::unique_ptr<Converter> made() {
    auto c = std::make_unique<T>();
    if (!c->valid()) return nullptr;
    return c;
}

class Gsm610Driver : public CodecPairDriver {
public:
    QString name() const override { return QStringLiteral("Tonwell GSM 6.10"); }
    std::uint16_t tag() const override { return WAVE_FORMAT_GSM610; }
    QString tagName() const override { return QStringLiteral("GSM 6.10"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize + 2; }
    std::vector<WaveFormat> formats() const override {
        std::vector<WaveFormat> list;
        for (std::uint32_t rate : {8000u, 11025u, 22050u, 44100u}) list.push_back(*formatFor(rate, 1));
        return list;
    }
    QString describe(const WaveFormat& f) const override {
        return QStringLiteral("%1, %2").arg(rateText(f.samplesPerSec), channelsText(f.channels));
    }

protected:
    bool accepts(const WaveFormat& f) const override {
        // The bytes per second must let one second hold a block; files differ in its rounding.
        return f.tag == WAVE_FORMAT_GSM610 && f.channels == 1 && f.blockAlign == kBlock &&
               f.samplesPerSec >= kMinRate && f.samplesPerSec <= kMaxRate && f.avgBytesPerSec >= kBlock &&
               f.avgBytesPerSec <= f.samplesPerSec;
    }
    std::optional<WaveFormat> formatFor(std::uint32_t rate, std::uint16_t channels) const override {
        WaveFormat f;
        f.tag = WAVE_FORMAT_GSM610;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.avgBytesPerSec = rate * kBlock / kSamplesPerBlock;
        f.blockAlign = kBlock;
        f.extra = {kSamplesPerBlock & 0xFF, kSamplesPerBlock >> 8};
        f.cbSize = 2;
        if (!accepts(f)) return std::nullopt;
        return f;
    }
    std::unique_ptr<Converter> decoder(const WaveFormat&) const override { return made<GsmDecoder>(); }
    std::unique_ptr<Converter> encoder(const WaveFormat&) const override { return made<GsmEncoder>(); }
    std::uint32_t samplesPerBlock(const WaveFormat&) const override { return kSamplesPerBlock; }
};

}  // namespace

std::unique_ptr<CodecDriver> makeGsm610Driver() { return std::make_unique<Gsm610Driver>(); }

}  // namespace tonwell
