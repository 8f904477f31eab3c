#include "counter.h"

#include <gtest/gtest.h>

using namespace component;
using testing_controls::Counter;

namespace {

const PropertyMapEntry kMap[] = {
    {QStringLiteral("_cx"), PropertyMapEntry::ExtentWidth},
    {QStringLiteral("_cy"), PropertyMapEntry::ExtentHeight},
    {QStringLiteral("Label"), PropertyMapEntry::Property, 2, VT_BSTR},
    {QStringLiteral("Small"), PropertyMapEntry::Property, 4, VT_I2},
    {QStringLiteral("Flag"), PropertyMapEntry::Property, 3, VT_BOOL},
    {QStringLiteral("Count"), PropertyMapEntry::Property, 1, VT_I4},
};

QByteArray hex(const char* h) { return QByteArray::fromHex(h); }

}  // namespace

TEST(Persist, StreamLayoutIsVersionExtentThenTaggedValues) {
    Counter c;
    c.label = QStringLiteral("ab");
    c.small = -2;
    c.flag = VARIANT_TRUE;
    c.count = 0x01020304;
    MemoryStream s;
    ASSERT_EQ(saveMapToStream(c, Extent{847, 847}, kMap, 0x300, s), S_OK);
    EXPECT_EQ(s.data().toHex(' '), hex("00030000 4f030000 4f030000"
                                       "0800 06000000 61006200 0000"
                                       "0200 feff"
                                       "0b00 ffff"
                                       "0300 04030201")
                                       .toHex(' '));

    Counter d;
    Extent e;
    s.rewind();
    ASSERT_EQ(loadMapFromStream(d, &e, kMap, 0x300, s), S_OK);
    EXPECT_EQ(e.cx, 847u);
    EXPECT_EQ(d.label, QStringLiteral("ab"));
    EXPECT_EQ(d.small, -2);
    EXPECT_EQ(d.flag, VARIANT_TRUE);
    EXPECT_EQ(d.count, 0x01020304);
}

TEST(Persist, EmptyStringIsACountOfZero) {
    MemoryStream s;
    writeTaggedValue(s, Variant(QString()));
    EXPECT_EQ(s.data(), hex("080000000000"));
}

TEST(Persist, LoadRefusesNewerVersionsAndDamagedValues) {
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"version 0x301", hex("01030000 00000000 00000000")},
        {"truncated extent", hex("00030000 0000")},
        {"odd string count", hex("00030000 00000000 00000000 0800 03000000 610000")},
        {"string count past the end", hex("00030000 00000000 00000000 0800 ffffff00 6100")},
        {"string without terminator", hex("00030000 00000000 00000000 0800 02000000 6100")},
        {"unknown type", hex("00030000 00000000 00000000 4000 0000")},
        {"setter refuses", hex("00030000 00000000 00000000 0800 00000000 0200 0100 0b00 0000 0300 ffffffff")},
    };
    for (const Case& c : cases) {
        Counter d;
        Extent e;
        MemoryStream s(c.bytes);
        EXPECT_TRUE(FAILED(loadMapFromStream(d, &e, kMap, 0x300, s))) << c.name;
    }
}

TEST(Persist, PropertyBagRoundTripSkipsMissingNames) {
    Counter c;
    c.label = QStringLiteral("x=y\nz");
    c.count = 9;
    MemoryPropertyBag bag;
    ASSERT_EQ(
        saveMapToBag(c, Extent{10, 20}, kMap, bag,
                     [](const PropertyMapEntry& e, const Variant& v) { return e.name == QLatin1String("Small"); }),
        S_OK);
    EXPECT_FALSE(bag.contains(QStringLiteral("Small")));
    MemoryPropertyBag copy = MemoryPropertyBag::fromText(bag.toText());
    Counter d;
    d.small = 5;
    Extent e;
    ASSERT_EQ(loadMapFromBag(d, &e, kMap, copy), S_OK);
    EXPECT_EQ(e.cy, 20u);
    EXPECT_EQ(d.label, QStringLiteral("x=y\nz"));
    EXPECT_EQ(d.count, 9);
    EXPECT_EQ(d.small, 5);
}
