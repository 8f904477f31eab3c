#include "progress.h"

#include "platform/riff.h"
#include "platform/waveformat.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace tonwellhost {

using namespace tonwell;

namespace {
bool g_drawn = false;
}

ProgressBar::ProgressBar(const QString& file)
{
    RiffReader r;
    Chunk riff, fmt, data;
    if (r.open(file) && r.findRiff(kWave, &riff) && r.findChunk(riff, kFmt, &fmt) && fmt.size <= 64) {
        std::vector<std::uint8_t> record(fmt.size);
        if (r.read(record.data(), record.size()) == static_cast<long long>(record.size()) && r.ascend(fmt) &&
            r.findChunk(riff, kData, &data)) {
            const WaveFormat f = WaveFormat::fromBytes(record);
            double pace = qEnvironmentVariable("TONWELL_AUDIO") == QLatin1String("virtual")
                              ? qEnvironmentVariable("TONWELL_VIRTUAL_PACE").toDouble()
                              : 1.0;
            if (pace <= 0)
                pace = 1.0;
            if (f.avgBytesPerSec)
                seconds_ = static_cast<double>(data.size) / f.avgBytesPerSec / pace;
        }
    }
    clock_.start();
}

bool ProgressBar::onTerminal() { return isatty(STDERR_FILENO) == 1; }

void ProgressBar::draw()
{
    const double t = clock_.elapsed() / 1000.0;
    const double share = seconds_ > 0 ? std::min(1.0, t / seconds_) : 0.0;
    constexpr int width = 30;
    const int filled = static_cast<int>(share * width);
    std::fprintf(stderr, "\r[%s%s] %5.1f / %.1f s", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), std::min(t, seconds_), seconds_);
    std::fflush(stderr);
    g_drawn = true;
}

void ProgressBar::clearLine()
{
    if (!g_drawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    g_drawn = false;
}

} // namespace tonwellhost
