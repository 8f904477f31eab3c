// The knobix host creates the control by ProgID in its own process and renders it.
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RenderHost : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Runs the host with a private registry; returns its exit status.
    int run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELMORA_COMPONENT_REGISTRY", dir.filePath("registry"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KNOBIX_HOST), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QImage render(QStringList extra) {
        const QString out = dir.filePath("button.png");
        QFile::remove(out);
        extra << "--out" << out;
        EXPECT_EQ(run(QStringList{"render", "--width-twips", "1215", "--height-twips", "495", "--back-color",
                                  "0x00808080", "--light", "45", "--roundness3d", "20"} +
                      extra),
                  0)
            << errors.toStdString();
        return QImage(out);
    }

    QTemporaryDir dir;
    QString errors;
};

}  // namespace

TEST_F(RenderHost, RendersTheDefaultButtonCreatedByProgId) {
    ASSERT_EQ(run({"register", KNOBIX_LIBRARY}), 0) << errors.toStdString();
    const QImage img = render({});
    ASSERT_EQ(img.size(), QSize(81, 33));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);                                            // outside the rounded outline
    EXPECT_EQ(img.pixel(10, 0), qRgb(173, 173, 173));                                 // the light shade: 128 + 45
    EXPECT_EQ(img.pixel(10, 16), qRgb(132, 132, 132));                                // the middle band
    EXPECT_EQ(render({"--no-region"}).pixel(0, 0), qRgb(128 - 9, 128 - 9, 128 - 9));  // the first side line
}

TEST_F(RenderHost, RendersPressedAndDisabledButtons) {
    // Not registered beforehand: the host registers the library it was built with.
    const QImage up = render({});
    const QImage down = render({"--pressed"});
    EXPECT_LT(qRed(down.pixel(10, 0)), qRed(down.pixel(10, 32)));  // light at the bottom
    EXPECT_GT(qRed(up.pixel(10, 0)), qRed(up.pixel(10, 32)));
    const QImage off = render({"--disabled", "--caption", "Off"});
    EXPECT_EQ(off.pixel(10, 0), qRgb(128, 128, 128));  // the disabled face starts at the base
    EXPECT_EQ(off.pixel(10, 20), qRgb(88, 88, 88));    // and settles 40 below it
}

TEST_F(RenderHost, RefusesBadArguments) {
    EXPECT_EQ(run({"render", "--light", "lots", "--out", dir.filePath("x.png")}), 2);
    EXPECT_EQ(run({"render"}), 2);
    EXPECT_EQ(run({"frobnicate"}), 2);
}
