// MPEG Layer-3 (tag 0x55): decoded with mpg123 for playback (lame encodes in conversion).
#include "platform/codecs/codec.h"

#include <QLocale>
#include <mpg123.h>

namespace tonwell {

namespace {

// MPEGLAYER3WAVEFORMAT: wID, fdwFlags, nBlockSize, nFramesPerBlock, nCodecDelay.
constexpr std::size_t kMp3ExtraSize = 12;

class Mp3Decoder : public StreamConverter {
public:
    Mp3Decoder(long rate, int channels)
    {
        mh_ = mpg123_new(nullptr, nullptr);
        if (!mh_)
            return;
        mpg123_param(mh_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        // The output must be the PCM format the device was opened with, whatever the stream says.
        mpg123_format_none(mh_);
        if (mpg123_format(mh_, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK ||
            mpg123_param(mh_, MPG123_FORCE_RATE, rate, 0) != MPG123_OK || mpg123_open_feed(mh_) != MPG123_OK) {
            mpg123_delete(mh_);
            mh_ = nullptr;
        }
        if (mh_ && channels == 1)
            mpg123_param(mh_, MPG123_ADD_FLAGS, MPG123_FORCE_MONO, 0);
    }
    ~Mp3Decoder() override
    {
        if (mh_)
            mpg123_delete(mh_);
    }
    bool valid() const { return mh_ != nullptr; }

    bool convert(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, bool) override
    {
        if (!in.empty() && mpg123_feed(mh_, in.data(), in.size()) != MPG123_OK)
            return false;
        unsigned char buf[16384];
        for (;;) {
            size_t done = 0;
            const int rc = mpg123_read(mh_, buf, sizeof buf, &done);
            out.insert(out.end(), buf, buf + done);
            if (rc == MPG123_NEW_FORMAT || (rc == MPG123_OK && done > 0))
                continue;
            // Need more input, the end, or a damaged frame that mpg123 skips: what came is kept.
            return rc == MPG123_NEED_MORE || rc == MPG123_DONE || rc == MPG123_OK || rc == MPG123_ERR;
        }
    }

private:
    mpg123_handle* mh_ = nullptr;
};

class Mp3Codec : public Codec {
public:
    std::uint16_t tag() const override { return WAVE_FORMAT_MPEGLAYER3; }
    QString tagName() const override { return QStringLiteral("MPEG Layer-3"); }
    std::size_t maxFormatSize() const override { return kWaveFormatHeaderSize + kMp3ExtraSize; }
    QString describe(const WaveFormat& f) const override
    {
        const QString rate = QLocale(QLocale::English).toString(static_cast<qlonglong>(f.samplesPerSec));
        return QStringLiteral("%1 kBit/s, %2 Hz, %3").arg(f.avgBytesPerSec * 8 / 1000).arg(rate, channelsText(f.channels));
    }
    std::unique_ptr<StreamConverter> openDecoder(const WaveFormat& f, WaveFormat* pcm) const override
    {
        if (f.channels < 1 || f.channels > 2 || f.samplesPerSec == 0)
            return nullptr;
        auto d = std::make_unique<Mp3Decoder>(static_cast<long>(f.samplesPerSec), f.channels);
        if (!d->valid())
            return nullptr;
        *pcm = WaveFormat::pcm(f.samplesPerSec, 16, f.channels);
        return d;
    }
};

} // namespace

std::unique_ptr<Codec> makeMp3Codec() { return std::make_unique<Mp3Codec>(); }

} // namespace tonwell
