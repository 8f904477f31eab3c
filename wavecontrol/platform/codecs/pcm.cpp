// The PCM driver: converts between any two PCM formats of 8 or 16 bits, mono or stereo, at any
// rate. Samples are brought to 16 bits and the target's channel count first; libsoxr changes the
// rate; 8-bit output comes last.
#include "platform/codecs/codec.h"
#include "platform/codecs/codec_pair.h"

#include <soxr.h>

namespace tonwell {

namespace {

bool acceptsPcm(const WaveFormat& f) {
    return f.isPcm() && f.channels >= 1 && f.channels <= 2 && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.samplesPerSec >= kMinRate && f.samplesPerSec <= kMaxRate &&
           f.blockAlign == f.channels * f.bitsPerSample / 8 && f.avgBytesPerSec == f.samplesPerSec * f.blockAlign;
}

class PcmConverter : public Converter {
public:
    PcmConverter(const WaveFormat& src, const WaveFormat& dst) : src_(src), dst_(dst) {
        if (src.samplesPerSec != dst.samplesPerSec) {
            const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
            const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
            soxr_error_t error = nullptr;
            soxr_ = soxr_create(src.samplesPerSec, dst.samplesPerSec, dst.channels, &error, &io, &quality, nullptr);
            if (error) soxr_ = nullptr;
        }
    }
    ~PcmConverter() override {
        if (soxr_) soxr_delete(soxr_);
    }
    bool valid() const { return src_.samplesPerSec == dst_.samplesPerSec || soxr_; }

    bool convert(std::span<const std::uint8_t> in, bool end, std::vector<std::uint8_t>& out) override {
        const std::size_t frames = in.size() / src_.blockAlign;
        if (src_ == dst_) {  // nothing to change: copy whole frames
            out.insert(out.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(frames * src_.blockAlign));
            return true;
        }
        toSixteen(in.first(frames * src_.blockAlign), frames);
        if (!soxr_) {
            store(samples_.data(), frames, out);
            return true;
        }
        if (frames == 0 && !end) return true;
        // The resampler may take less input than offered when its output is full: go round
        // until it has taken everything (and, at the end, given everything back).
        const std::size_t room = frames * dst_.samplesPerSec / src_.samplesPerSec + 1024;
        resampled_.resize(room * dst_.channels);
        std::size_t at = 0;
        for (;;) {
            std::size_t used = 0, made = 0;
            const bool flush = end && at == frames;  // no input left: the resampler empties itself
            if (soxr_process(soxr_, flush ? nullptr : samples_.data() + at * dst_.channels, frames - at, &used,
                             resampled_.data(), room, &made))
                return false;
            at += used;
            store(resampled_.data(), made, out);
            if (flush ? made == 0 : (!end && at == frames && made < room)) break;
        }
        return true;
    }

private:
    // Source frames as 16-bit samples in the target's channel count.
    void toSixteen(std::span<const std::uint8_t> in, std::size_t frames) {
        samples_.resize(frames * dst_.channels);
        const bool eight = src_.bitsPerSample == 8;
        auto sample = [&](std::size_t frame, std::size_t channel) -> int {
            const std::size_t i = frame * src_.channels + channel;
            return eight ? (in[i] - 128) * 256 : sampleAt(&in[2 * i]);
        };
        for (std::size_t f = 0; f < frames; ++f) {
            if (src_.channels == dst_.channels) {
                for (std::size_t c = 0; c < dst_.channels; ++c)
                    samples_[f * dst_.channels + c] = static_cast<std::int16_t>(sample(f, c));
            } else if (dst_.channels == 1) {  // stereo to mono: the mean of the two
                samples_[f] = static_cast<std::int16_t>((sample(f, 0) + sample(f, 1)) / 2);
            } else {  // mono to stereo: both sides alike
                samples_[2 * f] = samples_[2 * f + 1] = static_cast<std::int16_t>(sample(f, 0));
            }
        }
    }

    void store(const std::int16_t* s, std::size_t frames, std::vector<std::uint8_t>& out) const {
        const std::size_t n = frames * dst_.channels;
        const std::size_t at = out.size();
        if (dst_.bitsPerSample == 8) {
            out.resize(at + n);
            for (std::size_t i = 0; i < n; ++i) out[at + i] = static_cast<std::uint8_t>((s[i] >> 8) + 128);
        } else {
            out.resize(at + 2 * n);
            for (std::size_t i = 0; i < n; ++i) putSample(&out[at + 2 * i], s[i]);
        }
    }

    WaveFormat src_, dst_;
    soxr_t soxr_ = nullptr;
    std::vector<std::int16_t> samples_, resampled_;
};

class PcmDriver : public CodecDriver {
public:
    QString name() const override { return QStringLiteral("Tonwell PCM Converter"); }
    std::uint16_t tag() const override { return WAVE_FORMAT_PCM; }
    QString tagName() const override { return QStringLiteral("PCM"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize; }
    std::vector<WaveFormat> formats() const override {
        std::vector<WaveFormat> list;
        for (std::uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u})
            for (std::uint16_t bits : {8, 16})
                for (std::uint16_t channels : {1, 2}) list.push_back(WaveFormat::pcm(rate, bits, channels));
        return list;
    }
    QString describe(const WaveFormat& f) const override {
        return QStringLiteral("%1, %2 Bit, %3")
            .arg(rateText(f.samplesPerSec))
            .arg(f.bitsPerSample)
            .arg(channelsText(f.channels));
    }
    MMRESULT suggest(const WaveFormat& src, WaveFormat* dst, std::uint32_t flags) const override {
        if (!acceptsPcm(src) || ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && dst->tag != WAVE_FORMAT_PCM))
            return ACMERR_NOTPOSSIBLE;
        const WaveFormat f =
            WaveFormat::pcm((flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? dst->samplesPerSec : src.samplesPerSec,
                            (flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) ? dst->bitsPerSample : src.bitsPerSample,
                            (flags & ACM_FORMATSUGGESTF_NCHANNELS) ? dst->channels : src.channels);
        if (!acceptsPcm(f)) return ACMERR_NOTPOSSIBLE;
        *dst = f;
        return MMSYSERR_NOERROR;
    }
    MMRESULT openConverter(const WaveFormat& src, const WaveFormat& dst,
                           std::unique_ptr<Converter>* out) const override {
        if (!acceptsPcm(src) || !acceptsPcm(dst)) return ACMERR_NOTPOSSIBLE;
        auto c = std::make_unique<PcmConverter>(src, dst);
        if (!c->valid()) return MMSYSERR_NOMEM;
        *out = std::move(c);
        return MMSYSERR_NOERROR;
    }
    std::uint32_t sourceAlign(const WaveFormat& src, const WaveFormat&) const override { return src.blockAlign; }
};

}  // namespace

std::unique_ptr<CodecDriver> makePcmDriver() { return std::make_unique<PcmDriver>(); }

}  // namespace tonwell
