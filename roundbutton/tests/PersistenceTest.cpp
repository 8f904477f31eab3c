// Knobix in a property bag: names, order, defaults, and values that come back as they went.
#include "ControlFixture.h"

#include "component/font.h"

#include <QStringList>

using namespace component;
using namespace roundbutton;
using namespace roundbutton::testing;

namespace {

QStringList namesIn(const MemoryPropertyBag& bag) {
    QStringList names;
    for (const auto& [name, value] : bag.entries()) names << name;
    return names;
}

MemoryPropertyBag saved(const std::shared_ptr<Unknown>& obj) {
    MemoryPropertyBag bag;
    EXPECT_EQ(query<PersistPropertyBag>(obj)->save(bag, true, false), S_OK);
    return bag;
}

std::shared_ptr<Unknown> loaded(MemoryPropertyBag& bag) {
    auto obj = ControlTest::create();
    EXPECT_EQ(query<PersistPropertyBag>(obj)->load(bag), S_OK);
    return obj;
}

Variant getOf(const std::shared_ptr<Unknown>& obj, DISPID id) {
    Variant v;
    EXPECT_EQ(query<Dispatch>(obj)->get(id, &v), S_OK);
    return v;
}

}  // namespace

TEST_F(ControlTest, ANewControlSavesItsCaptionAndResolvedForeColour) {
    // A new control gives its caption the system button-text colour resolved, and the
    // caption's colour is what is stored.
    const MemoryPropertyBag bag = saved(object);
    EXPECT_EQ(namesIn(bag), QStringList({"Caption", "ForeColor"}));
    const QColor text = knobix->palette().color(QPalette::ButtonText);
    EXPECT_EQ(OleColor(bag.entries()[1].second.i4()), rgbColor(text.red(), text.green(), text.blue()));
}

TEST_F(ControlTest, EverySetPropertyIsSavedInOrderAndComesBack) {
    const Put puts[] = {
        {dispid::Caption, Variant("Hang up")},
        {dispid::Enabled, Variant::fromBool(false)},
        {dispid::MousePointer, Variant(std::int16_t(2))},
        {dispid::BackColor, Variant(std::int32_t(0x00204080))},
        {dispid::ForeColor, Variant(std::int32_t(0x000000FF))},
        {dispid::RoundSize, Variant(std::int32_t(8))},
        {dispid::Light, Variant(std::int32_t(100000))},
        {dispid::ToolTipText, Variant("Ends the call")},
        {dispid::CreateRegion, Variant::fromBool(false)},
        {dispid::Roundness3D, Variant(std::int32_t(35))},
    };
    for (const auto& p : puts) ASSERT_EQ(dispatch->put(p.id, p.value), S_OK);
    FontDesc desc;
    desc.name = "DejaVu Serif";
    desc.size = 11;
    ASSERT_EQ(dispatch->put(dispid::Font, Variant(std::make_shared<Font>(desc))), S_OK);

    MemoryPropertyBag bag = saved(object);
    EXPECT_EQ(namesIn(bag), QStringList({"Caption", "Enabled", "Font", "MousePointer", "BackColor", "ForeColor",
                                         "RoundSize", "Light", "ToolTipText", "CreateRegion", "Roundness3D"}));
    auto back = loaded(bag);
    for (const auto& p : puts) {
        if (p.id == dispid::ForeColor) continue;  // reads the disabled caption shade for now
        Variant want;
        p.value.changeType(getOf(back, p.id).type(), &want);
        EXPECT_EQ(getOf(back, p.id), want) << std::hex << p.id;
    }
    Font* font = query<Font>(getOf(back, dispid::Font).object());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->desc().name, "DejaVu Serif");
    EXPECT_EQ(font->desc().size, 11);
    // A disabled button keeps its own caption colour for when it is enabled again.
    query<Dispatch>(back)->put(dispid::Enabled, Variant::fromBool(true));
    EXPECT_EQ(getOf(back, dispid::ForeColor).ui4(), 0x000000FFu);
}

TEST_F(ControlTest, CaptionsSurviveASaveAndLoadIncludingLabel) {
    for (const char* caption : {"Label", "Botón", "", "&Transfer"}) {
        ASSERT_EQ(dispatch->put(dispid::Caption, Variant(caption)), S_OK);
        MemoryPropertyBag bag = saved(object);
        EXPECT_EQ(getOf(loaded(bag), dispid::Caption).bstr(), QString::fromUtf8(caption)) << caption;
    }
}

TEST_F(ControlTest, BagsWithoutEntriesLoadTheReadDefaults) {
    MemoryPropertyBag empty;
    auto obj = loaded(empty);
    EXPECT_EQ(getOf(obj, dispid::Caption).bstr(), "Botón");
    EXPECT_EQ(getOf(obj, dispid::Enabled).boolVal(), VARIANT_TRUE);
    Variant original;
    query<Dispatch>(obj)->call(dispid::BackColorOriginal, {}, &original);
    EXPECT_EQ(original.i4(), std::int32_t(0x8000000F));
    EXPECT_EQ(getOf(obj, dispid::ForeColor).ui4(), 0x80000012u);  // kept as stored, resolved when drawn
    EXPECT_EQ(getOf(obj, dispid::RoundSize).i4(), 20);
    EXPECT_EQ(getOf(obj, dispid::Light).i4(), 45);
    EXPECT_EQ(getOf(obj, dispid::Roundness3D).i4(), 20);
    EXPECT_EQ(getOf(obj, dispid::CreateRegion).boolVal(), VARIANT_TRUE);
    EXPECT_EQ(getOf(obj, dispid::MousePointer).i2(), 0);
    EXPECT_EQ(getOf(obj, dispid::ToolTipText).bstr(), "");
}

TEST_F(ControlTest, BagsWrittenBeforeLoadTheSame) {
    // As the control always wrote them: shorts for the sizes, a long for the colour.
    MemoryPropertyBag bag = MemoryPropertyBag::fromText(
        "Caption=8:Aceptar\nBackColor=3:-2147483633\n"
        "RoundSize=2:12\nLight=2:30\nCreateRegion=11:0\n");
    auto obj = loaded(bag);
    EXPECT_EQ(getOf(obj, dispid::Caption).bstr(), "Aceptar");
    EXPECT_EQ(getOf(obj, dispid::RoundSize).i4(), 12);
    EXPECT_EQ(getOf(obj, dispid::Light).i4(), 30);
    EXPECT_EQ(getOf(obj, dispid::CreateRegion).boolVal(), VARIANT_FALSE);
    Variant original;
    query<Dispatch>(obj)->call(dispid::BackColorOriginal, {}, &original);
    EXPECT_EQ(original.i4(), std::int32_t(0x8000000F));
}
