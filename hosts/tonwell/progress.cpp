#include "progress.h"

#include "platform/riff.h"
#include "platform/waveformat.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace tonwellhost {

using namespace tonwell;

namespace {
bool g_drawn = false;
}

namespace {

// The length of a wave file's data in seconds (0 when unreadable).
double secondsOf(const QString& file) {
    RiffReader r;
    Chunk riff, fmt, data;
    if (r.open(file) && r.findRiff(kWave, &riff) && r.findChunk(riff, kFmt, &fmt) && fmt.size <= 64) {
        std::vector<std::uint8_t> record(fmt.size);
        if (r.read(record.data(), record.size()) == static_cast<long long>(record.size()) && r.ascend(fmt) &&
            r.findChunk(riff, kData, &data)) {
            const WaveFormat f = WaveFormat::fromBytes(record);
            if (f.avgBytesPerSec) return static_cast<double>(data.size) / f.avgBytesPerSec;
        }
    }
    return 0;
}

void drawBar(double share, const QString& label) {
    constexpr int width = 30;
    const int filled = static_cast<int>(std::clamp(share, 0.0, 1.0) * width);
    std::fprintf(stderr, "\r[%s%s] %s", std::string(filled, '#').c_str(), std::string(width - filled, ' ').c_str(),
                 qPrintable(label));
    std::fflush(stderr);
    g_drawn = true;
}

}  // namespace

ProgressBar::ProgressBar(const QString& file) {
    double pace = qEnvironmentVariable("TONWELL_AUDIO") == QLatin1String("virtual")
                      ? qEnvironmentVariable("TONWELL_VIRTUAL_PACE").toDouble()
                      : 1.0;
    if (pace <= 0) pace = 1.0;
    seconds_ = secondsOf(file) / pace;
    clock_.start();
}

ConvertProgress::ConvertProgress(const QString& input, QString output, std::uint32_t targetBytesPerSecond)
    : output_(std::move(output)), expected_(secondsOf(input) * targetBytesPerSecond) {}

void ConvertProgress::draw() {
    const double done = static_cast<double>(QFileInfo(output_).size());
    const double share = expected_ > 0 ? done / expected_ : 0.0;
    drawBar(share, QStringLiteral("%1 %").arg(static_cast<int>(std::min(share, 1.0) * 100), 3));
}

bool ProgressBar::onTerminal() { return isatty(STDERR_FILENO) == 1; }

void ProgressBar::draw() {
    const double t = clock_.elapsed() / 1000.0;
    drawBar(seconds_ > 0 ? t / seconds_ : 0.0, QString::asprintf("%5.1f / %.1f s", std::min(t, seconds_), seconds_));
}

void LevelBar::draw(int level) {
    drawBar(level / 100.0, QString::asprintf("%3d %7.1f s", level, clock_.elapsed() / 1000.0));
}

void ProgressBar::clearLine() {
    if (!g_drawn) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    g_drawn = false;
}

}  // namespace tonwellhost
