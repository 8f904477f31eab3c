#include "counter.h"

#include <gtest/gtest.h>
#include <thread>

using namespace component;
using testing_controls::Counter;

namespace {

struct Recorder : EventSink {
    QString name;
    std::vector<QString>* log;
    Recorder(QString n, std::vector<QString>* l) : name(std::move(n)), log(l) {}
    void invoke(DISPID id, std::span<const Variant> args) override {
        QString line = name + QLatin1Char(' ') + QString::number(id);
        for (const Variant& a : args) line += QLatin1Char(' ') + a.toString();
        log->push_back(line);
    }
};

}  // namespace

TEST(ErrorInfo, IsPerThreadAndTakenOnce) {
    Counter c;
    EXPECT_EQ(c.put(1, Variant(std::int32_t(-1))), E_INVALIDARG);
    std::shared_ptr<const ErrorInfo> other = std::make_shared<ErrorInfo>();
    std::thread([&] { other = getErrorInfo(); }).join();
    EXPECT_EQ(other, nullptr);
    auto info = getErrorInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->source, QStringLiteral("Test.Counter.1"));
    EXPECT_EQ(info->description, QStringLiteral("negative"));
    EXPECT_EQ(info->iid, testing_controls::kICounter);
    EXPECT_EQ(getErrorInfo(), nullptr);
}

TEST(Events, FireInConnectionOrderAndStopAfterUnadvise) {
    Counter c;
    std::vector<QString> log;
    std::uint32_t a = 0, b = 0;
    ASSERT_EQ(c.advise(std::make_shared<Recorder>(QStringLiteral("A"), &log), &a), S_OK);
    ASSERT_EQ(c.advise(std::make_shared<Recorder>(QStringLiteral("B"), &log), &b), S_OK);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    c.count = 7;
    const Variant arg[] = {Variant("hi")};
    c.call(7, arg);
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("A 1 hi 7"), QStringLiteral("B 1 hi 7")}));
    EXPECT_EQ(c.unadvise(a), S_OK);
    EXPECT_EQ(c.unadvise(a), CONNECT_E_NOCONNECTION);
    log.clear();
    c.call(7, arg);
    EXPECT_EQ(log, std::vector<QString>{QStringLiteral("B 1 hi 7")});
}
