// The host in its own process: registration, creation by ProgID, events and failures.
#include "component/registry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using component::Registry;

namespace {

struct Result {
    int status = -1;
    QString out, err;
};

class Host : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    Result run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELMORA_COMPONENT_REGISTRY"), dir.filePath(QStringLiteral("registry")));
        env.insert(QStringLiteral("TONWELL_AUDIO"), QStringLiteral("virtual"));
        env.insert(QStringLiteral("TONWELL_VIRTUAL_OUT"), dir.filePath(QStringLiteral("out.raw")));
        env.insert(QStringLiteral("TONWELL_VIRTUAL_PACE"), QStringLiteral("50"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TONWELL_HOST), args);
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(Host, WithAnEmptyRegistryUsesTheLibraryOfItsBuildAndRegistersNothing) {
    const QString wave = QStringLiteral(TONWELL_TEST_DATA "/alaw.wav");
    Result r = run({QStringLiteral("info"), wave});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("PlayTag: CCITT A-Law\nPlayAttributes: 8.000 kHz, 8 Bit, Mono\n"));
    EXPECT_EQ(r.err, QString());

    r = run({QStringLiteral("library")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QFileInfo(QStringLiteral(TONWELL_MODULE)).canonicalFilePath() + QLatin1Char('\n'));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("registry/Tonwell.Tonwell"))));
}

TEST_F(Host, RegistersCreatesByProgIdAndUnregisters) {
    const QString wave = QStringLiteral(TONWELL_TEST_DATA "/alaw.wav");
    Result r = run({QStringLiteral("register"), QStringLiteral(TONWELL_MODULE)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    Registry reg(dir.filePath(QStringLiteral("registry")));
    const QString clsid = QStringLiteral("CLSID\\{78C3F94B-B857-4563-A466-6EF2D648C0B0}");
    EXPECT_EQ(reg.value(clsid), QStringLiteral("Tonwell Class"));
    EXPECT_EQ(reg.value(clsid + QStringLiteral("\\MiscStatus\\1")), QStringLiteral("132497"));
    EXPECT_EQ(reg.value(clsid + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("Apartment"));
    EXPECT_EQ(reg.value(clsid + QStringLiteral("\\TypeLib")), QStringLiteral("{58E14049-685B-4606-AEA7-164D0E872875}"));
    EXPECT_EQ(reg.value(QStringLiteral("Tonwell.Tonwell\\CurVer")), QStringLiteral("Tonwell.Tonwell.1"));
    EXPECT_EQ(reg.value(QStringLiteral("Tonwell.Tonwell.1\\CLSID")),
              QStringLiteral("{78C3F94B-B857-4563-A466-6EF2D648C0B0}"));

    r = run({QStringLiteral("info"), wave});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("PlayTag: CCITT A-Law\nPlayAttributes: 8.000 kHz, 8 Bit, Mono\n"));

    r = run({QStringLiteral("play"), wave, QStringLiteral("--device"), QStringLiteral("0")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("VUChange 0 0\nDonePlay\n"));
    QFile raw(QStringLiteral(TONWELL_TEST_DATA "/alaw.raw")), played(dir.filePath(QStringLiteral("out.raw")));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly) && played.open(QIODevice::ReadOnly));
    EXPECT_EQ(played.readAll(), raw.readAll());

    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    QFile t(text);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("not a wave file");
    t.close();
    r = run({QStringLiteral("play"), text});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("0x80042002 Not a valid wave audio file\n"));
    r = run({QStringLiteral("play"), wave, QStringLiteral("--buffer"), QStringLiteral("-1")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("0x80042016 Play buffer length invalid property value\n"));

    // Conversion: the format used, then the result event; the exit status follows it.
    const QString converted = dir.filePath(QStringLiteral("pcm.wav"));
    r = run({QStringLiteral("convert"), wave, converted, QStringLiteral("--to"), QStringLiteral("pcm8k16")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral(
                         "format 01000100401F0000803E0000020010000000 (PCM, 8.000 kHz, 16 Bit, Mono)\nConvertDone\n"));
    QFile pcm(converted);
    ASSERT_TRUE(pcm.open(QIODevice::ReadOnly) && raw.seek(0));
    EXPECT_EQ(pcm.readAll().mid(46), raw.readAll());
    r = run({QStringLiteral("convert"), text, converted, QStringLiteral("--format"),
             QStringLiteral("01000100401F0000803E0000020010000000")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("ConvertError 2 Not a valid audio source file\n")))
        << r.out.toStdString();
    EXPECT_EQ(run({QStringLiteral("convert"), wave, converted, QStringLiteral("--to"), QStringLiteral("opus")}).status,
              2);
    r = run({QStringLiteral("formats")});
    EXPECT_TRUE(
        r.out.contains(QStringLiteral("0x0031 GSM 6.10: 8.000 kHz, Mono 31000100401F0000590600004100000002004001\n")))
        << r.out.toStdString();

    r = run({QStringLiteral("unregister"), QStringLiteral(TONWELL_MODULE)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_FALSE(reg.keyExists(clsid));
    EXPECT_FALSE(reg.keyExists(QStringLiteral("Tonwell.Tonwell")));
    EXPECT_FALSE(reg.keyExists(QStringLiteral("Tonwell.Tonwell.1")));
}

TEST_F(Host, RecordsUntilTheInputEndsAndReportsFailures) {
    ASSERT_EQ(run({QStringLiteral("register"), QStringLiteral(TONWELL_MODULE)}).status, 0);
    // Half a second of 8-bit input; the virtual input goes away at its end, so DoneRecord comes
    // without a stop.
    QByteArray input;
    for (int i = 0; i < 4000; ++i) input.append(static_cast<char>(128 + (i % 16 < 8 ? 60 : -60)));
    const QString in = dir.filePath(QStringLiteral("in.raw")), target = dir.filePath(QStringLiteral("r.wav"));
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(input) == input.size());
    f.close();
    qputenv("TONWELL_VIRTUAL_IN", in.toLocal8Bit());
    qputenv("TONWELL_VIRTUAL_FAIL", "vanish");
    Result r =
        run({QStringLiteral("record"), target, QStringLiteral("--format"), QStringLiteral("1"),
             QStringLiteral("--device"), QStringLiteral("0"), QStringLiteral("--seconds"), QStringLiteral("30")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("VUChange 0 0\nSilence -1\nDoneRecord\n"))) << r.out.toStdString();
    QFile rec(target);
    ASSERT_TRUE(rec.open(QIODevice::ReadOnly));
    const QByteArray file = rec.readAll();
    EXPECT_EQ(file.size(), 46 + input.size());
    EXPECT_EQ(file.mid(46), input);

    // A time limit stops a recording that would go on.
    qunsetenv("TONWELL_VIRTUAL_FAIL");
    r = run({QStringLiteral("record"), target, QStringLiteral("--seconds"), QStringLiteral("0.2")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("DoneRecord\n")));

    const std::pair<QStringList, QString> failures[] = {
        {{QStringLiteral("record"), QStringLiteral("/proc/tonwell.wav")},
         QStringLiteral("0x80042009 Failed to create record file\n")},
        {{QStringLiteral("record"), target, QStringLiteral("--user-format"), QStringLiteral("0100ZZ")},
         QStringLiteral("0x80042016 Record user format invalid property value\n")},
        {{QStringLiteral("record"), target, QStringLiteral("--buffer"), QStringLiteral("-1")},
         QStringLiteral("0x80042016 Record buffer length invalid property value\n")},
        {{QStringLiteral("record"), target, QStringLiteral("--user-format"), QString()},
         QStringLiteral("0x80042009 Record format not set\n")},
    };
    for (const auto& [args, err] : failures) {
        r = run(args);
        EXPECT_EQ(r.status, 1) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.err, err);
    }
    qunsetenv("TONWELL_VIRTUAL_IN");
}
