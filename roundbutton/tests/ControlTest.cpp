// Knobix through the component model: registration, creation by ProgID, dispatch by DISPID
// and name, events with by-reference arguments, and the container site.
#include "ControlFixture.h"

#include "component/byref.h"
#include "component/events.h"
#include "component/font.h"
#include "component/picture.h"
#include "component/registry.h"

#include <QBuffer>
#include <QStringList>

using namespace component;
using namespace roundbutton;
using namespace roundbutton::testing;

namespace {

// Records events as "Name arg arg ..."; a handler may change by-reference arguments.
class RecordingSink : public EventSink {
public:
    explicit RecordingSink(const TypeInfo& info) : info_(info) {}
    void invoke(DISPID id, std::span<const Variant> args) override {
        const EventInfo* e = info_.event(id);
        QString line = e ? e->name : QString::number(id);
        for (const Variant& a : args) line += " " + argumentValue(a).toString();
        events << line;
        if (onEvent) onEvent(id, args);
    }
    std::function<void(DISPID, std::span<const Variant>)> onEvent;
    QStringList events;

private:
    const TypeInfo& info_;
};

}  // namespace

TEST_F(ControlTest, RegistersItsClassProgIdAndTypeLibrary) {
    Registry r;
    const QString clsidKey = "CLSID\\" + kClsidKnobix.toString();
    EXPECT_EQ(r.value("RoundButton.Knobix\\CLSID"), kClsidKnobix.toString());
    EXPECT_EQ(r.value(clsidKey + "\\ProgID"), "RoundButton.Knobix");
    EXPECT_EQ(r.value(clsidKey + "\\InprocServer32"), QStringLiteral(KNOBIX_LIBRARY));
    EXPECT_TRUE(r.keyExists(clsidKey + "\\Control"));
    EXPECT_EQ(r.value(clsidKey + "\\TypeLib"), kLibId.toString());
    EXPECT_TRUE(r.keyExists("Interface\\" + kIidKnobix.toString()));
    EXPECT_TRUE(r.keyExists("Interface\\" + kIidKnobixEvents.toString()));
    std::shared_ptr<Unknown> byClsid;
    EXPECT_EQ(createInstance(kClsidKnobix, &byClsid), S_OK);
    EXPECT_NE(query<Dispatch>(byClsid), nullptr);
}

TEST_F(ControlTest, EveryMemberAnswersToItsNameAndDispid) {
    const std::pair<const char*, DISPID> members[] = {
        {"Caption", 0x6803000C},           {"Enabled", 0x6803000B},         {"Font", 0x6803000A},
        {"MouseIcon", 0x68030009},         {"MousePointer", 0x68030008},    {"Picture", 0x68030007},
        {"Refresh", 0x60030028},           {"BackColor", 0x68030006},       {"ForeColor", 0x68030005},
        {"RoundSize", 0x68030004},         {"Light", 0x68030003},           {"ToolTipText", 0x68030002},
        {"BackColorOriginal", 0x6003002E}, {"CreaNuevaRegion", 0x6003002F}, {"CreateRegion", 0x68030001},
        {"Roundness3D", 0x68030000},
    };
    const TypeInfo& info = dispatch->typeInfo();
    ASSERT_EQ(info.members.size(), std::size(members));
    for (std::size_t i = 0; i < std::size(members); ++i) {
        DISPID id = 0;
        EXPECT_EQ(dispatch->idOfName(members[i].first, &id), S_OK);
        EXPECT_EQ(id, members[i].second) << members[i].first;
        EXPECT_EQ(info.members[i].name, members[i].first);  // interface order
    }
    const char* events[] = {"Click", "KeyDown", "KeyPress", "KeyUp", "MouseDown", "MouseMove", "MouseUp", "Resize"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(info.event(i + 1)->name, events[i]);
    EXPECT_EQ(info.event(5)->params, QStringList({"Button", "Shift", "X", "Y"}));
}

TEST_F(ControlTest, PropertiesGoThroughDispatchAndTellTheContainer) {
    EXPECT_EQ(get(dispid::Caption).bstr(), "Button");  // a new control's caption
    EXPECT_EQ(get(dispid::RoundSize).i4(), 20);
    EXPECT_EQ(get(dispid::Light).i4(), 45);
    EXPECT_EQ(get(dispid::Roundness3D).i4(), 20);
    EXPECT_EQ(get(dispid::CreateRegion).boolVal(), VARIANT_TRUE);

    const Put puts[] = {
        {dispid::Caption, Variant("&Dial")},
        {dispid::BackColor, Variant(std::int32_t(0x8000000F))},  // a long, as scripts pass it
        {dispid::ForeColor, Variant(std::uint32_t(0x00FFFFFF))},
        {dispid::RoundSize, Variant(std::int32_t(100000))},
        {dispid::Light, Variant(std::int16_t(-30))},
        {dispid::Roundness3D, Variant(std::int32_t(-100000))},
        {dispid::CreateRegion, Variant::fromBool(false)},
        {dispid::ToolTipText, Variant("Call the customer")},
        {dispid::MousePointer, Variant(std::int16_t(11))},
        {dispid::Enabled, Variant::fromBool(false)},
    };
    for (const auto& p : puts) {
        site->changed.clear();
        EXPECT_EQ(dispatch->put(p.id, p.value), S_OK) << std::hex << p.id;
        EXPECT_EQ(site->changed, std::vector<DISPID>({p.id})) << std::hex << p.id;
    }
    EXPECT_EQ(get(dispid::Caption).bstr(), "&Dial");
    EXPECT_EQ(get(dispid::RoundSize).i4(), 100000);
    EXPECT_EQ(get(dispid::Light).i4(), -30);
    EXPECT_EQ(get(dispid::Roundness3D).i4(), -100000);
    EXPECT_EQ(get(dispid::ToolTipText).bstr(), "Call the customer");
    EXPECT_EQ(get(dispid::MousePointer).i2(), 11);
    EXPECT_EQ(get(dispid::Enabled).boolVal(), VARIANT_FALSE);
    Variant original;
    EXPECT_EQ(dispatch->call(dispid::BackColorOriginal, {}, &original), S_OK);
    EXPECT_EQ(original.i4(), std::int32_t(0x8000000F));
    const QColor face = knobix->palette().color(QPalette::Button);
    EXPECT_EQ(get(dispid::BackColor).ui4(), rgbColor(face.red(), face.green(), face.blue()));
    EXPECT_EQ(dispatch->call(dispid::CreaNuevaRegion, {}), S_OK);
    EXPECT_EQ(dispatch->call(dispid::Refresh, {}), S_OK);
    EXPECT_EQ(dispatch->put(dispid::RoundSize, Variant("not a number")), DISP_E_TYPEMISMATCH);
}

TEST_F(ControlTest, FontAndPictureTravelAsObjects) {
    FontDesc desc;
    desc.name = "DejaVu Sans";
    desc.size = 14;
    desc.weight = 700;
    desc.italic = true;
    EXPECT_EQ(dispatch->put(dispid::Font, Variant(std::make_shared<Font>(desc))), S_OK);
    EXPECT_TRUE(knobix->font().bold());
    EXPECT_EQ(knobix->font().pointSizeF(), 14);
    Font* back = query<Font>(get(dispid::Font).object());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->desc().weight, 700);
    EXPECT_TRUE(back->desc().italic);

    EXPECT_EQ(get(dispid::Picture).object(), nullptr);
    EXPECT_TRUE(knobix->picElement()->isHidden());
    QImage img(16, 12, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    auto picture = std::make_shared<Picture>(png);
    EXPECT_EQ(dispatch->put(dispid::Picture, Variant(picture)), S_OK);
    EXPECT_FALSE(knobix->picElement()->isHidden());
    EXPECT_EQ(knobix->picElement()->size(), QSize(16, 12));
    EXPECT_EQ(get(dispid::Picture).object(), picture);
    EXPECT_EQ(dispatch->put(dispid::Picture, Variant(std::shared_ptr<Unknown>())), S_OK);
    EXPECT_TRUE(knobix->picElement()->isHidden());
}

TEST_F(ControlTest, EventsReachSinksInConnectionOrderWithTheirArguments) {
    auto first = std::make_shared<RecordingSink>(dispatch->typeInfo());
    auto second = std::make_shared<RecordingSink>(dispatch->typeInfo());
    EventSource* source = query<EventSource>(object);
    std::uint32_t c1 = 0, c2 = 0;
    ASSERT_EQ(source->advise(first, &c1), S_OK);
    ASSERT_EQ(source->advise(second, &c2), S_OK);
    QStringList order;
    first->onEvent = [&](DISPID id, auto) {
        if (id == 1) order << "first";
    };
    second->onEvent = [&](DISPID id, auto) {
        if (id == 1) order << "second";
    };

    QTest::mousePress(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    QTest::mouseRelease(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    EXPECT_EQ(first->events, QStringList({"MouseDown 1 0 600 240", "Click", "MouseUp 1 0 600 240"}));
    EXPECT_EQ(order, QStringList({"first", "second"}));

    ASSERT_EQ(source->unadvise(c2), S_OK);
    first->events.clear();
    knobix->resize(90, 40);
    EXPECT_EQ(first->events, QStringList({"Resize"}));
    EXPECT_EQ(source->unadvise(c2), CONNECT_E_NOCONNECTION);
}

TEST_F(ControlTest, ByReferenceArgumentsComeBackChanged) {
    auto sink = std::make_shared<RecordingSink>(dispatch->typeInfo());
    std::uint32_t cookie = 0;
    query<EventSource>(object)->advise(sink, &cookie);
    // A receiver that turns every mouse-down button into 0 keeps the button from pressing.
    sink->onEvent = [](DISPID id, std::span<const Variant> args) {
        if (id == eventid::MouseDown) {
            EXPECT_TRUE(setArgument(args[0], Variant(std::int16_t(0))));
        }
    };
    short seenByQt = -1;
    QObject::connect(knobix, &Knobix::MouseDown, knobix, [&](short& b, short&, float&, float&) { seenByQt = b; });
    QTest::mousePress(knobix, Qt::LeftButton, {}, QPoint(40, 16));
    EXPECT_EQ(seenByQt, 0);
    EXPECT_FALSE(knobix->pressedFlag());
    EXPECT_FALSE(knobix->lastFace().pressed);
}

TEST_F(ControlTest, EnterAndEscPressOnlyAsTheContainersDefaultAndCancelButton) {
    knobix->setFocus();
    QTest::keyPress(knobix, Qt::Key_Return);
    EXPECT_FALSE(knobix->pressedFlag());
    QTest::keyRelease(knobix, Qt::Key_Return);
    site->extenders["Default"] = Variant::fromBool(true);
    QTest::keyPress(knobix, Qt::Key_Return);
    EXPECT_TRUE(knobix->pressedFlag());
    QTest::keyRelease(knobix, Qt::Key_Return);
    QTest::keyPress(knobix, Qt::Key_Escape);
    EXPECT_FALSE(knobix->pressedFlag());
    QTest::keyRelease(knobix, Qt::Key_Escape);
    site->extenders["Cancel"] = Variant::fromBool(true);
    QTest::keyPress(knobix, Qt::Key_Escape);
    EXPECT_TRUE(knobix->pressedFlag());
    QTest::keyRelease(knobix, Qt::Key_Escape);
}

TEST_F(ControlTest, ANewControlTakesTheAmbientBackColour) {
    auto other = create();
    auto otherSite = std::make_shared<SimpleSite>();
    otherSite->ambients[DISPID_AMBIENT_BACKCOLOR] = Variant(std::int32_t(0x00336699));
    query<OleObject>(other)->setClientSite(otherSite);
    query<PersistPropertyBag>(other)->initNew();
    Variant original;
    query<Dispatch>(other)->call(dispid::BackColorOriginal, {}, &original);
    EXPECT_EQ(original.i4(), 0x00336699);
}
