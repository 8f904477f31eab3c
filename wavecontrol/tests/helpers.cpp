#include "helpers.h"

#include "platform/waveformat.h"

namespace tonwell::testing {

QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray c(id, 4);
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) c.append(static_cast<char>((n >> (8 * i)) & 0xFF));
    c.append(body);
    if (n & 1) c.append('\0');
    return c;
}

QByteArray waveBytes(const QByteArray& format, const QByteArray& data) {
    return chunk("RIFF", QByteArray("WAVE") + chunk("fmt ", format) + chunk("data", data));
}

QByteArray pcmFormat(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    const auto bytes = WaveFormat::pcm(rate, bits, channels).toBytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), 16);  // the 16-byte PCM record
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void EventLog::invoke(DISPID id, std::span<const Variant> args) {
    const EventInfo* e = info_.event(id);
    QString line = e ? e->name : QString::number(id);
    for (const Variant& a : args) line += QLatin1Char(' ') + a.toString();
    lines << line;
    if (onEvent) onEvent(line);
}

void VirtualDevice::SetUp() {
    ASSERT_TRUE(dir.isValid());
    out = dir.filePath(QStringLiteral("played.raw"));
    qputenv("TONWELL_AUDIO", "virtual");
    qputenv("TONWELL_VIRTUAL_OUT", out.toLocal8Bit());
    qputenv("TONWELL_VIRTUAL_PACE", "40");
    qunsetenv("TONWELL_VIRTUAL_FAIL");
    qunsetenv("TONWELL_VIRTUAL_IN");
    qputenv("VELMORA_COMPONENT_REGISTRY", dir.filePath(QStringLiteral("registry")).toLocal8Bit());
    control = std::make_shared<Tonwell>();
    site = std::make_shared<SimpleSite>(true);
    control->setClientSite(site);
    ASSERT_EQ(control->initNew(), S_OK);
    events = std::make_shared<EventLog>(control->typeInfo());
    std::uint32_t cookie = 0;
    ASSERT_EQ(control->advise(events, &cookie), S_OK);
    getErrorInfo();  // start with a clean slate
}

void VirtualDevice::TearDown() {
    control.reset();
    qunsetenv("TONWELL_VIRTUAL_FAIL");
}

QString VirtualDevice::makeWave(const QString& name, const QByteArray& format, const QByteArray& data) {
    const QString p = path(name);
    EXPECT_TRUE(writeFile(p, waveBytes(format, data)));
    return p;
}

bool VirtualDevice::waitForDonePlay() { return waitFor(QStringLiteral("DonePlay")); }

bool VirtualDevice::waitFor(const QString& line) {
    QElapsedTimer guard;
    guard.start();
    while (!events->lines.contains(line) && guard.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return events->lines.contains(line);
}

HRESULT VirtualDevice::playFile(const QString& file, std::int32_t device) {
    HRESULT hr = control->put_PlayFilename(file);
    if (FAILED(hr)) return hr;
    return control->Play(device);
}

}  // namespace tonwell::testing
