// MPEG Layer-3 (tag 0x55): lame encodes, mpg123 decodes. The data is a plain stream of MPEG audio
// frames; the format's extra bytes are the MPEGLAYER3WAVEFORMAT fields.
#include "platform/codecs/codec.h"
#include "platform/codecs/codec_pair.h"

#include <QLocale>
#include <lame/lame.h>
#include <mpg123.h>

namespace tonwell {

namespace {

// wID, fdwFlags, nBlockSize, nFramesPerBlock, nCodecDelay.
constexpr std::size_t kMp3ExtraSize = 12;
constexpr std::uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

// Samples per channel in one frame: 1152 for MPEG-1 rates, 576 below.
std::uint32_t frameSamples(std::uint32_t rate) { return rate >= 32000 ? 1152 : 576; }

class Mp3Decoder : public Converter {
public:
    Mp3Decoder(long rate, int channels) {
        mh_ = mpg123_new(nullptr, nullptr);
        if (!mh_) return;
        mpg123_param(mh_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        // The output must be the PCM format the stream was opened for, whatever the frames say.
        mpg123_format_none(mh_);
        if (mpg123_format(mh_, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK ||
            mpg123_param(mh_, MPG123_FORCE_RATE, rate, 0) != MPG123_OK || mpg123_open_feed(mh_) != MPG123_OK) {
            mpg123_delete(mh_);
            mh_ = nullptr;
        }
        if (mh_ && channels == 1) mpg123_param(mh_, MPG123_ADD_FLAGS, MPG123_FORCE_MONO, 0);
    }
    ~Mp3Decoder() override {
        if (mh_) mpg123_delete(mh_);
    }
    bool valid() const { return mh_ != nullptr; }

    bool convert(std::span<const std::uint8_t> in, bool end, std::vector<std::uint8_t>& out) override {
        if (!in.empty() && mpg123_feed(mh_, in.data(), in.size()) != MPG123_OK) return false;
        if (!drain(out)) return false;
        // mpg123 keeps the last frame until it sees the next frame's header: at the end, a
        // frame's worth of silence after it lets it go.
        if (end && !flushed_) {
            flushed_ = true;
            static const std::uint8_t zeros[2048] = {};
            if (mpg123_feed(mh_, zeros, sizeof zeros) != MPG123_OK) return false;
            return drain(out);
        }
        return true;
    }

private:
    bool drain(std::vector<std::uint8_t>& out) {
        unsigned char buf[16384];
        for (;;) {
            size_t done = 0;
            const int rc = mpg123_read(mh_, buf, sizeof buf, &done);
            out.insert(out.end(), buf, buf + done);
            if (rc == MPG123_NEW_FORMAT || (rc == MPG123_OK && done > 0)) continue;
            // Need more input, the end, or a damaged frame that mpg123 skips: what came is kept.
            return rc == MPG123_NEED_MORE || rc == MPG123_DONE || rc == MPG123_OK || rc == MPG123_ERR;
        }
    }

    mpg123_handle* mh_ = nullptr;
    bool flushed_ = false;
};

class Mp3Encoder : public Converter {
public:
    explicit Mp3Encoder(const WaveFormat& f) : channels_(f.channels), lame_(lame_init()) {
        if (!lame_) return;
        lame_set_in_samplerate(lame_, static_cast<int>(f.samplesPerSec));
        lame_set_out_samplerate(lame_, static_cast<int>(f.samplesPerSec));
        lame_set_num_channels(lame_, f.channels);
        lame_set_mode(lame_, f.channels == 1 ? MONO : JOINT_STEREO);
        lame_set_brate(lame_, static_cast<int>(f.avgBytesPerSec * 8 / 1000));
        lame_set_quality(lame_, 7);       // lame's fast mode: speech at these rates loses nothing audible
        lame_set_bWriteVbrTag(lame_, 0);  // a plain frame stream: no header frame to patch later
        if (lame_init_params(lame_) < 0) {
            lame_close(lame_);
            lame_ = nullptr;
        }
    }
    ~Mp3Encoder() override {
        if (lame_) lame_close(lame_);
    }
    bool valid() const { return lame_ != nullptr; }

    bool convert(std::span<const std::uint8_t> in, bool end, std::vector<std::uint8_t>& out) override {
        const std::size_t frames = in.size() / (2u * channels_);
        samples_.resize(frames * channels_);
        for (std::size_t i = 0; i < samples_.size(); ++i) samples_[i] = sampleAt(&in[2 * i]);
        // lame's own bound for one call's output: 1.25 x samples + 7200 bytes.
        const std::size_t at = out.size();
        out.resize(at + frames + frames / 4 + 7200);
        int n = 0;
        if (frames > 0) {
            n = channels_ == 1 ? lame_encode_buffer(lame_, samples_.data(), samples_.data(), static_cast<int>(frames),
                                                    out.data() + at, static_cast<int>(out.size() - at))
                               : lame_encode_buffer_interleaved(lame_, samples_.data(), static_cast<int>(frames),
                                                                out.data() + at, static_cast<int>(out.size() - at));
            if (n < 0) return false;
        }
        if (end) {
            const int tail = lame_encode_flush(lame_, out.data() + at + n, static_cast<int>(out.size() - at - n));
            if (tail < 0) return false;
            n += tail;
        }
        out.resize(at + static_cast<std::size_t>(n));
        return true;
    }

private:
    std::uint16_t channels_;
    lame_global_flags* lame_;
    std::vector<short> samples_;
};

template <class T, class... Args>
std::unique_ptr<Converter> made(Args... args) {
    auto c = std::make_unique<T>(args...);
    if (!c->valid()) return nullptr;
    return c;
}

class Mp3Driver : public CodecPairDriver {
public:
    QString name() const override { return QStringLiteral("Tonwell MPEG Layer-3"); }
    std::uint16_t tag() const override { return WAVE_FORMAT_MPEGLAYER3; }
    QString tagName() const override { return QStringLiteral("MPEG Layer-3"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize + kMp3ExtraSize; }
    std::vector<WaveFormat> formats() const override {
        struct Entry {
            std::uint32_t rate;
            std::uint16_t channels;
            std::uint32_t kbps;
        };
        static constexpr Entry kList[] = {{8000, 1, 8},   {8000, 1, 16},   {11025, 1, 16},  {16000, 1, 24},
                                          {16000, 1, 32}, {22050, 1, 32},  {22050, 2, 56},  {32000, 1, 64},
                                          {44100, 1, 64}, {44100, 2, 128}, {44100, 2, 192}, {48000, 2, 192}};
        std::vector<WaveFormat> list;
        for (const Entry& e : kList) list.push_back(make(e.rate, e.channels, e.kbps));
        return list;
    }
    QString describe(const WaveFormat& f) const override {
        const QString rate = QLocale(QLocale::English).toString(static_cast<qlonglong>(f.samplesPerSec));
        return QStringLiteral("%1 kBit/s, %2 Hz, %3")
            .arg(f.avgBytesPerSec * 8 / 1000)
            .arg(rate, channelsText(f.channels));
    }

protected:
    bool accepts(const WaveFormat& f) const override {
        bool rateOk = false;
        for (std::uint32_t r : kRates) rateOk = rateOk || r == f.samplesPerSec;
        return f.tag == WAVE_FORMAT_MPEGLAYER3 && rateOk && f.channels >= 1 && f.channels <= 2 && f.blockAlign >= 1 &&
               f.avgBytesPerSec >= 1000 && f.avgBytesPerSec <= 40000 && f.avgBytesPerSec >= f.blockAlign;
    }
    std::optional<WaveFormat> formatFor(std::uint32_t rate, std::uint16_t channels) const override {
        // Speech-grade rates: 8 kBit/s per 8 kHz a channel, at least 8.
        const WaveFormat f = make(rate, channels, std::max<std::uint32_t>(8, rate / 1000 * channels));
        if (!accepts(f)) return std::nullopt;
        return f;
    }
    std::unique_ptr<Converter> decoder(const WaveFormat& f) const override {
        return made<Mp3Decoder>(static_cast<long>(f.samplesPerSec), static_cast<int>(f.channels));
    }
    std::unique_ptr<Converter> encoder(const WaveFormat& f) const override { return made<Mp3Encoder>(f); }
    std::uint32_t samplesPerBlock(const WaveFormat& f) const override { return frameSamples(f.samplesPerSec); }

private:
    static WaveFormat make(std::uint32_t rate, std::uint16_t channels, std::uint32_t kbps) {
        WaveFormat f;
        f.tag = WAVE_FORMAT_MPEGLAYER3;
        f.channels = channels;
        f.samplesPerSec = rate;
        f.avgBytesPerSec = kbps * 1000 / 8;
        f.blockAlign = 1;
        f.bitsPerSample = 0;
        const std::uint32_t blockSize = frameSamples(rate) / 8 * kbps * 1000 / rate;
        auto put = [&f](std::uint16_t v) {
            f.extra.push_back(static_cast<std::uint8_t>(v & 0xFF));
            f.extra.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        put(1);  // MPEGLAYER3_ID_MPEG
        put(2);
        put(0);                                      // MPEGLAYER3_FLAG_PADDING_OFF
        put(static_cast<std::uint16_t>(blockSize));  // one frame's bytes
        put(1);                                      // one frame a block
        put(1393);                                   // the codec's delay in samples
        f.cbSize = kMp3ExtraSize;
        return f;
    }
};

}  // namespace

std::unique_ptr<CodecDriver> makeMp3Driver() { return std::make_unique<Mp3Driver>(); }

}  // namespace tonwell
