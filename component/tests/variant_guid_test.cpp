#include "component/guid.h"
#include "component/variant.h"

#include <gtest/gtest.h>

using namespace component;

TEST(Guid, ParsesAndPrintsTheRegistryForm) {
    constexpr Guid g = Guid::of("{78c3f94b-b857-4563-a466-6ef2d648c0b0}");
    EXPECT_EQ(g.data1, 0x78C3F94Bu);
    EXPECT_EQ(g.data4[7], 0xB0);
    EXPECT_EQ(g.toString(), QStringLiteral("{78C3F94B-B857-4563-A466-6EF2D648C0B0}"));
    EXPECT_EQ(Guid::parse(std::string_view("78C3F94B-B857-4563-A466-6EF2D648C0B0")), g);
    for (const char* bad : {"", "{78C3F94B-B857-4563-A466-6EF2D648C0B}", "{78C3F94B-B857-4563-A466-6EF2D648C0BX}",
                            "78C3F94BB857-4563-A466-6EF2D648C0B0-", "{78C3F94B-B857-4563-A466-6EF2D648C0B0"})
        EXPECT_FALSE(Guid::parse(std::string_view(bad))) << bad;
}

TEST(Variant, ChangeTypeFollowsAutomationRules) {
    struct Case {
        Variant in;
        VarType to;
        HRESULT hr;
        Variant out;
    };
    const Case cases[] = {
        {Variant(std::int32_t(5)), VT_I2, S_OK, Variant(std::int16_t(5))},
        {Variant(std::int32_t(40000)), VT_I2, DISP_E_OVERFLOW, Variant()},
        {Variant(2.5), VT_I4, S_OK, Variant(std::int32_t(2))},  // ties to even
        {Variant(3.5), VT_I4, S_OK, Variant(std::int32_t(4))},
        {Variant("12"), VT_I2, S_OK, Variant(std::int16_t(12))},
        {Variant("-1"), VT_BOOL, S_OK, Variant(VARIANT_TRUE)},
        {Variant("True"), VT_I2, S_OK, Variant(std::int16_t(-1))},
        {Variant("abc"), VT_I4, DISP_E_TYPEMISMATCH, Variant()},
        {Variant(std::int16_t(1)), VT_BOOL, S_OK, Variant(VARIANT_TRUE)},
        {Variant(VARIANT_TRUE), VT_I4, S_OK, Variant(std::int32_t(-1))},
        {Variant(VARIANT_FALSE), VT_BSTR, S_OK, Variant("False")},
        {Variant(std::int16_t(-7)), VT_BSTR, S_OK, Variant("-7")},
        {Variant(), VT_I4, S_OK, Variant(std::int32_t(0))},
        {Variant(std::int32_t(-1)), VT_UI4, DISP_E_OVERFLOW, Variant()},
        {Variant("&H8000000F"), VT_I4, S_OK, Variant(std::int32_t(0x8000000F))},
    };
    for (const Case& c : cases) {
        Variant out;
        EXPECT_EQ(c.in.changeType(c.to, &out), c.hr) << c.in.toString().toStdString() << " -> " << c.to;
        if (SUCCEEDED(c.hr)) {
            EXPECT_TRUE(out == c.out) << c.in.toString().toStdString() << " gave " << out.toString().toStdString();
        }
    }
}
