// GSM 6.10 (tag 0x31) with libgsm, in the wave-file packing: 65-byte blocks of two 160-sample
// frames (33 + 32 bytes, libgsm's WAV49 option).
#include "platform/codecs/codec.h"

#include <gsm.h>

namespace tonwell {

namespace {

constexpr std::size_t kBlock = 65;
constexpr int kSamplesPerBlock = 320;

class GsmDecoder : public StreamConverter {
public:
    GsmDecoder() : gsm_(gsm_create())
    {
        int one = 1;
        if (gsm_)
            gsm_option(gsm_, GSM_OPT_WAV49, &one);
    }
    ~GsmDecoder() override
    {
        if (gsm_)
            gsm_destroy(gsm_);
    }
    bool valid() const { return gsm_ != nullptr; }

    bool convert(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, bool) override
    {
        // Only whole blocks decode; a torn last block is dropped.
        for (std::size_t off = 0; off + kBlock <= in.size(); off += kBlock) {
            gsm_signal pcm[kSamplesPerBlock];
            // libgsm reads through non-const pointers but does not write the input.
            auto* block = const_cast<gsm_byte*>(in.data() + off);
            if (gsm_decode(gsm_, block, pcm) < 0 || gsm_decode(gsm_, block + 33, pcm + 160) < 0)
                return false;
            const std::size_t at = out.size();
            out.resize(at + sizeof pcm);
            for (int i = 0; i < kSamplesPerBlock; ++i) {
                const auto s = static_cast<std::uint16_t>(pcm[i]);
                out[at + 2 * i] = static_cast<std::uint8_t>(s & 0xFF);
                out[at + 2 * i + 1] = static_cast<std::uint8_t>(s >> 8);
            }
        }
        return true;
    }

private:
    gsm gsm_;
};

class Gsm610Codec : public Codec {
public:
    std::uint16_t tag() const override { return WAVE_FORMAT_GSM610; }
    QString tagName() const override { return QStringLiteral("GSM 6.10"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize + 2; }
    QString describe(const WaveFormat& f) const override
    {
        return QStringLiteral("%1, %2").arg(rateText(f.samplesPerSec), channelsText(f.channels));
    }
    std::unique_ptr<StreamConverter> openDecoder(const WaveFormat& f, WaveFormat* pcm) const override
    {
        if (f.channels != 1 || f.blockAlign != kBlock)
            return nullptr;
        auto d = std::make_unique<GsmDecoder>();
        if (!d->valid())
            return nullptr;
        *pcm = WaveFormat::pcm(f.samplesPerSec, 16, 1);
        return d;
    }
};

} // namespace

std::unique_ptr<Codec> makeGsm610Codec() { return std::make_unique<Gsm610Codec>(); }

} // namespace tonwell
