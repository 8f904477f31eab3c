// PCM: the base format; its driver names and describes it and "decodes" by copying.
#include "platform/codecs/codec.h"

namespace tonwell {

namespace {

class Copy : public StreamConverter {
public:
    bool convert(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, bool) override
    {
        out.insert(out.end(), in.begin(), in.end());
        return true;
    }
};

class PcmCodec : public Codec {
public:
    std::uint16_t tag() const override { return WAVE_FORMAT_PCM; }
    QString tagName() const override { return QStringLiteral("PCM"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize; }
    QString describe(const WaveFormat& f) const override
    {
        return QStringLiteral("%1, %2 Bit, %3").arg(rateText(f.samplesPerSec)).arg(f.bitsPerSample).arg(channelsText(f.channels));
    }
    std::unique_ptr<StreamConverter> openDecoder(const WaveFormat& f, WaveFormat* pcm) const override
    {
        if (f.channels == 0 || (f.bitsPerSample != 8 && f.bitsPerSample != 16))
            return nullptr;
        *pcm = WaveFormat::pcm(f.samplesPerSec, f.bitsPerSample, f.channels);
        return std::make_unique<Copy>();
    }
};

} // namespace

std::unique_ptr<Codec> makePcmCodec() { return std::make_unique<PcmCodec>(); }

} // namespace tonwell
