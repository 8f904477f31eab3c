// Test helpers: wave files, an event recorder and a control on the virtual device.
#pragma once
#include "component/errorinfo.h"
#include "component/events.h"
#include "component/site.h"
#include "tonwell.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tonwell::testing {

using namespace component;

// A wave file with one fmt chunk (the record given) and one data chunk.
QByteArray waveBytes(const QByteArray& format, const QByteArray& data);
QByteArray pcmFormat(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels = 1);
QByteArray chunk(const char* id, const QByteArray& body);
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// Records events as one line each: "VUChange 12 0", "DonePlay".
class EventLog : public EventSink {
public:
    explicit EventLog(const TypeInfo& info) : info_(info) {}
    void invoke(DISPID id, std::span<const Variant> args) override;
    QStringList lines;
    std::function<void(const QString&)> onEvent;

private:
    const TypeInfo& info_;
};

// A control in run mode, sited, with its events recorded, on the virtual device writing to
// `out` at a high pace.
class VirtualDevice : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString makeWave(const QString& name, const QByteArray& format, const QByteArray& data);
    // Runs the event loop until DonePlay arrives (a guard stops a broken run after 20 s).
    bool waitForDonePlay();
    // The same for any event line ("DoneRecord").
    bool waitFor(const QString& line);
    QByteArray played() const { return readFile(out); }
    HRESULT playFile(const QString& file, std::int32_t device = 0);

    QTemporaryDir dir;
    QString out;
    std::shared_ptr<Tonwell> control;
    std::shared_ptr<SimpleSite> site;
    std::shared_ptr<EventLog> events;
};

}  // namespace tonwell::testing
