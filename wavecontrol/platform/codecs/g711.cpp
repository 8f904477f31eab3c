// G.711 A-law (tag 6) and u-law (tag 7): 8-bit logarithmic samples, decoded to 16-bit PCM.
#include "platform/codecs/g711.h"

#include "platform/codecs/codec.h"

namespace tonwell {

std::int16_t alawToLinear(std::uint8_t a)
{
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

std::int16_t ulawToLinear(std::uint8_t u)
{
    u = static_cast<std::uint8_t>(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<std::int16_t>((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

namespace {

class G711Decoder : public StreamConverter {
public:
    explicit G711Decoder(std::int16_t (*fn)(std::uint8_t)) : fn_(fn) {}
    bool convert(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, bool) override
    {
        const std::size_t at = out.size();
        out.resize(at + in.size() * 2);
        for (std::size_t i = 0; i < in.size(); ++i) {
            const auto s = static_cast<std::uint16_t>(fn_(in[i]));
            out[at + 2 * i] = static_cast<std::uint8_t>(s & 0xFF);
            out[at + 2 * i + 1] = static_cast<std::uint8_t>(s >> 8);
        }
        return true;
    }

private:
    std::int16_t (*fn_)(std::uint8_t);
};

class G711Codec : public Codec {
public:
    G711Codec(std::uint16_t tag, QString name, std::int16_t (*fn)(std::uint8_t)) : tag_(tag), name_(std::move(name)), fn_(fn) {}
    std::uint16_t tag() const override { return tag_; }
    QString tagName() const override { return name_; }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize; }
    QString describe(const WaveFormat& f) const override
    {
        return QStringLiteral("%1, %2 Bit, %3").arg(rateText(f.samplesPerSec)).arg(f.bitsPerSample).arg(channelsText(f.channels));
    }
    std::unique_ptr<StreamConverter> openDecoder(const WaveFormat& f, WaveFormat* pcm) const override
    {
        if (f.channels == 0 || f.bitsPerSample != 8 || f.blockAlign != f.channels)
            return nullptr;
        *pcm = WaveFormat::pcm(f.samplesPerSec, 16, f.channels);
        return std::make_unique<G711Decoder>(fn_);
    }

private:
    std::uint16_t tag_;
    QString name_;
    std::int16_t (*fn_)(std::uint8_t);
};

} // namespace

std::unique_ptr<Codec> makeALawCodec()
{
    return std::make_unique<G711Codec>(WAVE_FORMAT_ALAW, QStringLiteral("CCITT A-Law"), &alawToLinear);
}

std::unique_ptr<Codec> makeMuLawCodec()
{
    return std::make_unique<G711Codec>(WAVE_FORMAT_MULAW, QStringLiteral("CCITT u-Law"), &ulawToLinear);
}

} // namespace tonwell
