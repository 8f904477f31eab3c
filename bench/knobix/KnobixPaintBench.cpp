// Prints how long Knobix takes to paint its face, rebuild its outline and repaint on screen,
// for the common 1215 x 495 twip button and a large 15000 x 6000 twip one, off-screen.
#include "FacePainter.h"
#include "Knobix.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace roundbutton;

namespace {

// Median and best of several rounds, each the mean of `n` runs, in microseconds.
void measure(const char* what, int n, const std::function<void()>& step) {
    for (int i = 0; i < n / 10 + 1; ++i) step();  // warm up
    std::vector<double> rounds;
    for (int r = 0; r < 7; ++r) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < n; ++i) step();
        rounds.push_back(double(t.nsecsElapsed()) / 1000.0 / n);
    }
    std::sort(rounds.begin(), rounds.end());
    std::printf("  %-44s median %9.2f us   best %9.2f us\n", what, rounds[3], rounds[0]);
}

void benchSize(int widthTwips, int heightTwips, int n) {
    std::printf("%d x %d twips (%d x %d pixels):\n", widthTwips, heightTwips, widthTwips / 15, heightTwips / 15);
    QImage surface(widthTwips / 15, heightTwips / 15, QImage::Format_RGB32);
    FaceInput in;
    in.widthTwips = widthTwips;
    in.heightTwips = heightTwips;
    in.base = {240, 240, 240};
    measure("face painting (bands and side lines)", n, [&] { drawFace(surface, in); });
    in.pressed = true;
    measure("face painting, pressed", n, [&] { drawFace(surface, in); });

    QWidget form;
    auto* k = new Knobix(&form);
    k->resize(widthTwips / 15, heightTwips / 15);
    form.resize(k->size());
    form.show();
    measure("outline rebuild (mask, face, layout)", n, [&] { k->creaNuevaRegion(); });
    QImage screen(k->size(), QImage::Format_ARGB32_Premultiplied);
    measure("repaint: face and caption onto the screen", n, [&] {
        k->paintFace(true, false);
        k->render(&screen);
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchSize(1215, 495, 2000);
    benchSize(15000, 6000, 100);
    return 0;
}
