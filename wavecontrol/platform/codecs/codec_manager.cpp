#include "platform/codecs/codec.h"

#include <algorithm>

namespace tonwell {

CodecManager::CodecManager()
{
    codecs_.push_back(makePcmCodec());
    codecs_.push_back(makeALawCodec());
    codecs_.push_back(makeMuLawCodec());
    codecs_.push_back(makeImaAdpcmCodec());
    codecs_.push_back(makeGsm610Codec());
    codecs_.push_back(makeMp3Codec());
}

const CodecManager& CodecManager::instance()
{
    static const CodecManager manager;
    return manager;
}

const Codec* CodecManager::codec(std::uint16_t tag) const
{
    for (const auto& c : codecs_)
        if (c->tag() == tag)
            return c.get();
    return nullptr;
}

std::size_t CodecManager::maxFormatSize() const
{
    std::size_t size = kWaveFormatHeaderSize;
    for (const auto& c : codecs_)
        size = std::max(size, c->maxFormatSize());
    return size;
}

bool CodecManager::tagName(std::uint16_t tag, QString* name) const
{
    const Codec* c = codec(tag);
    if (!c)
        return false;
    *name = c->tagName();
    return true;
}

bool CodecManager::describe(const WaveFormat& f, QString* text) const
{
    const Codec* c = codec(f.tag);
    if (!c)
        return false;
    *text = c->describe(f);
    return true;
}

std::unique_ptr<StreamConverter> CodecManager::openDecoder(const WaveFormat& f, WaveFormat* pcm) const
{
    const Codec* c = codec(f.tag);
    return c ? c->openDecoder(f, pcm) : nullptr;
}

QString rateText(std::uint32_t rate)
{
    return QStringLiteral("%1.%2 kHz").arg(rate / 1000).arg(rate % 1000, 3, 10, QLatin1Char('0'));
}

QString channelsText(std::uint16_t channels)
{
    if (channels == 1)
        return QStringLiteral("Mono");
    if (channels == 2)
        return QStringLiteral("Stereo");
    return QStringLiteral("%1 Channels").arg(channels);
}

} // namespace tonwell
