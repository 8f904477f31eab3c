#include "component/dispatch.h"
#include "component/errorinfo.h"
#include "component/factory.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace component;

class Factory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("VELMORA_COMPONENT_REGISTRY", dir.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("VELMORA_COMPONENT_REGISTRY"); }
    QTemporaryDir dir;
};

TEST_F(Factory, CreatesARegisteredClassByProgIdAndSharesErrorInfo) {
    std::shared_ptr<Unknown> obj;
    EXPECT_EQ(createInstance(QStringLiteral("Test.Counter"), &obj), CO_E_CLASSSTRING);
    ASSERT_EQ(registerServer(QStringLiteral(COMPONENT_TEST_MODULE)), S_OK);

    for (const char* name : {"Test.Counter", "Test.Counter.1", "{11111111-2222-3333-4444-555555555555}"}) {
        ASSERT_EQ(createInstance(QLatin1String(name), &obj), S_OK) << name;
        Dispatch* d = query<Dispatch>(obj);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->typeInfo().name, QStringLiteral("ICounter"));
    }
    QString progId;
    ASSERT_EQ(progIdFromClsid(Guid::of("{11111111-2222-3333-4444-555555555555}"), &progId), S_OK);
    EXPECT_EQ(progId, QStringLiteral("Test.Counter.1"));

    // The module has its own copy of this library; its error info still reaches us.
    Dispatch* d = query<Dispatch>(obj);
    EXPECT_EQ(d->put(1, Variant(std::int32_t(-5))), E_INVALIDARG);
    auto info = getErrorInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->description, QStringLiteral("negative"));

    ASSERT_EQ(unregisterServer(QStringLiteral(COMPONENT_TEST_MODULE)), S_OK);
    EXPECT_EQ(createInstance(QStringLiteral("Test.Counter.1"), &obj), CO_E_CLASSSTRING);
    EXPECT_EQ(createInstance(Guid::of("{11111111-2222-3333-4444-555555555555}"), &obj), REGDB_E_CLASSNOTREG);
}

TEST_F(Factory, ReportsAModuleThatDoesNotLoad) {
    std::shared_ptr<Unknown> obj;
    Registry r;
    r.setValue(QStringLiteral("CLSID\\{11111111-2222-3333-4444-555555555556}\\InprocServer32"), {},
               dir.path() + QStringLiteral("/missing.so"));
    EXPECT_EQ(createInstance(Guid::of("{11111111-2222-3333-4444-555555555556}"), &obj), CO_E_DLLNOTFOUND);
    EXPECT_EQ(registerServer(dir.path() + QStringLiteral("/missing.so")), CO_E_DLLNOTFOUND);
}
