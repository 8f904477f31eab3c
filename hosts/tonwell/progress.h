// The progress bar the host draws on a terminal while a file plays.
#pragma once
#include <QElapsedTimer>
#include <QString>
#include <cstdint>

namespace tonwellhost {

class ProgressBar {
public:
    // Reads the file's length in seconds (data size over average bytes per second).
    explicit ProgressBar(const QString& file);
    static bool onTerminal();
    // Redraws "[#####     ]  1.2 / 3.0 s" on stderr.
    void draw();
    // Removes the bar so that the next printed line starts clean.
    static void clearLine();

private:
    double seconds_ = 0;
    QElapsedTimer clock_;
};

// The bar drawn while a file converts: the destination's size against the size the source's
// length gives at the target's bytes per second.
class ConvertProgress {
public:
    ConvertProgress(const QString& input, QString output, std::uint32_t targetBytesPerSecond);
    void draw();

private:
    QString output_;
    double expected_ = 0;
};

// The live level meter drawn while recording: the record peak (0..100) and the time so far.
class LevelBar {
public:
    LevelBar() { clock_.start(); }
    void draw(int level);

private:
    QElapsedTimer clock_;
};

}  // namespace tonwellhost
