#include "counter.h"

#include <gtest/gtest.h>

using namespace component;
using testing_controls::Counter;

TEST(Dispatch, CallsMembersByDispidAndByName) {
    Counter c;
    Dispatch& d = c;
    DISPID id = 0;
    ASSERT_EQ(d.idOfName(QStringLiteral("count"), &id), S_OK);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(d.idOfName(QStringLiteral("Nope"), &id), DISP_E_UNKNOWNNAME);

    EXPECT_EQ(d.put(1, Variant("42")), S_OK);  // coerced from text, as a script passes it
    Variant v;
    EXPECT_EQ(d.get(1, &v), S_OK);
    EXPECT_TRUE(v == Variant(std::int32_t(42)));

    const Variant args[] = {Variant(std::int32_t(40)), Variant(std::int16_t(2))};
    EXPECT_EQ(d.call(6, args, &v), S_OK);
    EXPECT_TRUE(v == Variant(std::int32_t(42)));
    // A script host's "method or get" on a property reads it.
    EXPECT_EQ(d.invoke(2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &v), S_OK);
    EXPECT_EQ(v.type(), VT_BSTR);

    const TypeInfo& info = d.typeInfo();
    ASSERT_NE(info.member(6), nullptr);
    EXPECT_EQ(info.member(6)->params, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(info.member(6)->type, VT_I4);
    EXPECT_EQ(info.member(3)->type, VT_BOOL);
}

TEST(Dispatch, RefusesWrongCallsWithTheirCodes) {
    Counter c;
    Dispatch& d = c;
    Variant v;
    const Variant one[] = {Variant(std::int32_t(1))};
    EXPECT_EQ(d.invoke(99, DISPATCH_METHOD, {}, &v), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(d.call(6, one, &v), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(d.put(5, Variant(VARIANT_TRUE)), DISP_E_MEMBERNOTFOUND);  // read-only
    EXPECT_EQ(d.put(1, Variant("x")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(d.put(4, Variant(std::int32_t(70000))), DISP_E_OVERFLOW);
    EXPECT_EQ(d.invoke(1, DISPATCH_PROPERTYGET, one, &v), DISP_E_BADPARAMCOUNT);
}

TEST(Ambients, UserModeComesFromTheSiteAndIsFalseWithoutOne) {
    Counter c;
    Variant v;
    c.get(5, &v);
    EXPECT_EQ(v.boolVal(), VARIANT_FALSE);
    auto site = std::make_shared<SimpleSite>(true);
    c.setClientSite(site);
    c.get(5, &v);
    EXPECT_EQ(v.boolVal(), VARIANT_TRUE);
    site->ambients[DISPID_AMBIENT_USERMODE] = Variant::fromBool(false);
    c.get(5, &v);
    EXPECT_EQ(v.boolVal(), VARIANT_FALSE);

    site->ambients[DISPID_AMBIENT_BACKCOLOR] = Variant(std::int32_t(0x8000000F));
    site->ambients[DISPID_AMBIENT_FONT] = Variant(std::make_shared<Font>(FontDesc{QStringLiteral("Arial"), 12}));
    site->extenders[QStringLiteral("Default")] = Variant::fromBool(true);
    Ambients a(site.get());
    EXPECT_EQ(a.backColor(), 0x8000000Fu);
    ASSERT_TRUE(a.font());
    EXPECT_EQ(a.font()->name, QStringLiteral("Arial"));
    EXPECT_TRUE(a.isDefaultButton());
    EXPECT_FALSE(a.isCancelButton());
    EXPECT_FALSE(a.foreColor());

    c.put(1, Variant(std::int32_t(3)));
    EXPECT_EQ(site->changed, std::vector<DISPID>{1});
}
