#include "component/registration.h"
#include "component/registry.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace component;

TEST(Registry, StoresValuesInKeysAndDeletesTrees) {
    QTemporaryDir dir;
    Registry r(dir.path());
    EXPECT_TRUE(r.setValue(QStringLiteral("A\\B"), {}, QStringLiteral("default")));
    EXPECT_TRUE(r.setValue(QStringLiteral("A\\B"), QStringLiteral("Name"), QStringLiteral("line1\nline2\\")));
    EXPECT_EQ(r.value(QStringLiteral("A\\B")), QStringLiteral("default"));
    EXPECT_EQ(r.value(QStringLiteral("A\\B"), QStringLiteral("Name")), QStringLiteral("line1\nline2\\"));
    EXPECT_FALSE(r.value(QStringLiteral("A\\C")));
    EXPECT_EQ(r.subKeys(QStringLiteral("A")), QStringList{QStringLiteral("B")});
    EXPECT_FALSE(r.setValue(QStringLiteral("A\\..\\..\\x"), {}, QStringLiteral("v")));
    EXPECT_FALSE(r.deleteTree(QString()));
    EXPECT_TRUE(r.deleteTree(QStringLiteral("A")));
    EXPECT_FALSE(r.keyExists(QStringLiteral("A\\B")));
}

TEST(Registry, RootFollowsTheEnvironment) {
    qputenv("VELMORA_COMPONENT_REGISTRY", "/tmp/some-registry");
    EXPECT_EQ(Registry::registryRoot(), QStringLiteral("/tmp/some-registry"));
    qunsetenv("VELMORA_COMPONENT_REGISTRY");
    qputenv("XDG_DATA_HOME", "/tmp/xdg");
    EXPECT_EQ(Registry::registryRoot(), QStringLiteral("/tmp/xdg/velmora/registry"));
    qunsetenv("XDG_DATA_HOME");
}

TEST(Registration, WritesAndRemovesTheClassKeys) {
    QTemporaryDir dir;
    Registry r(dir.path());
    ClassDescriptor cls;
    cls.clsid = Guid::of("{78C3F94B-B857-4563-A466-6EF2D648C0B0}");
    cls.progId = QStringLiteral("Tonwell.Tonwell.1");
    cls.versionIndependentProgId = QStringLiteral("Tonwell.Tonwell");
    cls.description = QStringLiteral("Tonwell Class");
    cls.programmable = cls.control = cls.insertable = true;
    cls.toolboxBitmap = 101;
    cls.miscStatus = 132497;
    cls.typeLib.libid = Guid::of("{58E14049-685B-4606-AEA7-164D0E872875}");
    cls.typeLib.name = QStringLiteral("TONWELLLib");
    cls.typeLib.interfaces = {{Guid::of("{62D40FF0-3B06-4BEC-863B-60CC51F61D58}"), QStringLiteral("ITonwell")}};
    ASSERT_EQ(registerClass(r, cls, QStringLiteral("/lib/libx.so")), S_OK);

    const QString k = QStringLiteral("CLSID\\{78C3F94B-B857-4563-A466-6EF2D648C0B0}");
    struct Expect {
        QString key, name, value;
    };
    const Expect expected[] = {
        {k, {}, QStringLiteral("Tonwell Class")},
        {k + QStringLiteral("\\InprocServer32"), {}, QStringLiteral("/lib/libx.so")},
        {k + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel"), QStringLiteral("Apartment")},
        {k + QStringLiteral("\\ProgID"), {}, QStringLiteral("Tonwell.Tonwell.1")},
        {k + QStringLiteral("\\VersionIndependentProgID"), {}, QStringLiteral("Tonwell.Tonwell")},
        {k + QStringLiteral("\\ToolboxBitmap32"), {}, QStringLiteral("/lib/libx.so, 101")},
        {k + QStringLiteral("\\MiscStatus"), {}, QStringLiteral("0")},
        {k + QStringLiteral("\\MiscStatus\\1"), {}, QStringLiteral("132497")},
        {k + QStringLiteral("\\TypeLib"), {}, QStringLiteral("{58E14049-685B-4606-AEA7-164D0E872875}")},
        {k + QStringLiteral("\\Version"), {}, QStringLiteral("1.0")},
        {QStringLiteral("Tonwell.Tonwell.1\\CLSID"), {}, QStringLiteral("{78C3F94B-B857-4563-A466-6EF2D648C0B0}")},
        {QStringLiteral("Tonwell.Tonwell\\CurVer"), {}, QStringLiteral("Tonwell.Tonwell.1")},
        {QStringLiteral("TypeLib\\{58E14049-685B-4606-AEA7-164D0E872875}\\1.0"), {}, QStringLiteral("TONWELLLib")},
        {QStringLiteral("Interface\\{62D40FF0-3B06-4BEC-863B-60CC51F61D58}"), {}, QStringLiteral("ITonwell")},
    };
    for (const Expect& e : expected) EXPECT_EQ(r.value(e.key, e.name), e.value) << e.key.toStdString();
    for (const char* sub : {"\\Programmable", "\\Control", "\\Insertable"})
        EXPECT_TRUE(r.keyExists(k + QLatin1String(sub))) << sub;
    EXPECT_TRUE(r.keyExists(QStringLiteral("Tonwell.Tonwell.1\\Insertable")));

    ASSERT_EQ(unregisterClass(r, cls), S_OK);
    EXPECT_TRUE(r.subKeys(QString()).filter(QStringLiteral("Tonwell")).isEmpty());
    EXPECT_FALSE(r.keyExists(k));
    EXPECT_FALSE(r.keyExists(QStringLiteral("TypeLib\\{58E14049-685B-4606-AEA7-164D0E872875}")));
    EXPECT_FALSE(r.keyExists(QStringLiteral("Interface\\{62D40FF0-3B06-4BEC-863B-60CC51F61D58}")));
}
