#include "RenderCommand.h"

#include "KnobixHost.h"

#include "component/picture.h"

#include <QCommandLineParser>
#include <QFile>
#include <QImage>
#include <QMetaObject>
#include <QWidget>
#include <cstdio>

namespace knobixhost {

using namespace component;

namespace {

int fail(int status, const QString& message) {
    std::fprintf(stderr, "knobix render: %s\n", qPrintable(message));
    return status;
}

std::optional<std::int32_t> number(const QString& text) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 0);  // decimal, or hex with 0x
    if (!ok || v < INT32_MIN || v > qlonglong(UINT32_MAX)) return std::nullopt;
    return std::int32_t(std::uint32_t(v));
}

}  // namespace

int runRender(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription("Renders a Knobix button to a PNG file.");
    const QCommandLineOption width("width-twips", "Width in twips (15 a pixel).", "twips", "1215");
    const QCommandLineOption height("height-twips", "Height in twips.", "twips", "495");
    const QCommandLineOption back("back-color", "BackColor, 0x00BBGGRR or a system colour 0x800000nn.", "colour",
                                  "0x8000000F");
    const QCommandLineOption fore("fore-color", "ForeColor.", "colour");
    const QCommandLineOption light("light", "Light.", "amount", "45");
    const QCommandLineOption roundness("roundness3d", "Roundness3D, percent.", "percent", "20");
    const QCommandLineOption roundSize("round-size", "RoundSize, pixels.", "pixels", "20");
    const QCommandLineOption noRegion("no-region", "CreateRegion false: a plain rectangle.");
    const QCommandLineOption pressed("pressed", "Draw the pressed face.");
    const QCommandLineOption disabled("disabled", "Enabled false.");
    const QCommandLineOption caption("caption", "Caption.", "text");
    const QCommandLineOption picture("picture", "Picture, an image file.", "file");
    const QCommandLineOption out("out", "The PNG file to write.", "file");
    p.addOptions(
        {width, height, back, fore, light, roundness, roundSize, noRegion, pressed, disabled, caption, picture, out});
    p.addHelpOption();
    if (!p.parse(arguments)) return fail(2, p.errorText());
    if (p.isSet("help")) {
        std::fprintf(stdout, "%s", qPrintable(p.helpText()));
        return 0;
    }
    if (!p.isSet(out)) return fail(2, "--out FILE is required");

    std::int32_t values[6];
    const QCommandLineOption* numeric[] = {&width, &height, &back, &light, &roundness, &roundSize};
    for (int i = 0; i < 6; ++i) {
        const auto v = number(p.value(*numeric[i]));
        if (!v)
            return fail(2, QString("--%1: not a number: %2").arg(numeric[i]->names().first(), p.value(*numeric[i])));
        values[i] = *v;
    }
    if (values[0] < 0 || values[1] < 0 || values[0] / 15 > 16384 || values[1] / 15 > 16384)
        return fail(2, "the size must lie between 0 and 245760 twips");
    if (values[0] < 15 || values[1] < 15) return fail(2, "the button must be at least 15 twips (one pixel) each way");

    Control c;
    QString error;
    if (FAILED(createKnobix(&c, &error))) return fail(1, error);
    c.widget->resize(values[0] / 15, values[1] / 15);
    bool ok = putByName(c, "BackColor", Variant(values[2]), &error) &&
              putByName(c, "Light", Variant(values[3]), &error) &&
              putByName(c, "Roundness3D", Variant(values[4]), &error) &&
              putByName(c, "RoundSize", Variant(values[5]), &error) &&
              putByName(c, "CreateRegion", Variant::fromBool(!p.isSet(noRegion)), &error);
    if (ok && p.isSet(fore)) {
        const auto v = number(p.value(fore));
        if (!v) return fail(2, "--fore-color: not a number: " + p.value(fore));
        ok = putByName(c, "ForeColor", Variant(*v), &error);
    }
    if (ok && p.isSet(caption)) ok = putByName(c, "Caption", Variant(p.value(caption)), &error);
    if (ok && p.isSet(picture)) {
        QFile f(p.value(picture));
        if (!f.open(QIODevice::ReadOnly)) return fail(2, "cannot read " + p.value(picture));
        ok = putByName(c, "Picture", Variant(std::make_shared<Picture>(f.readAll())), &error);
    }
    if (ok && p.isSet(disabled)) ok = putByName(c, "Enabled", Variant::fromBool(false), &error);
    if (!ok) return fail(1, error);

    QWidget form;  // the control as a child window, like on a host's form
    c.widget->setParent(&form);
    form.resize(c.widget->size());
    form.show();
    if (p.isSet(pressed)) QMetaObject::invokeMethod(c.widget, "showState", Q_ARG(bool, false), Q_ARG(bool, true));
    QImage img(c.widget->size(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);  // outside the outline stays transparent
    c.widget->render(&img);
    c.widget->setParent(nullptr);  // the control deletes its widget
    if (!img.save(p.value(out), "PNG")) return fail(1, "cannot write " + p.value(out));
    return 0;
}

}  // namespace knobixhost
