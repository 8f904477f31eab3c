// The control's outward face: properties, run-time-only reads, persistence, type information.
#include "about.h"
#include "helpers.h"

#include <QLabel>

using namespace tonwell;
using namespace tonwell::testing;
using namespace component;

namespace {

std::shared_ptr<Tonwell> sited(bool userMode) {
    auto t = std::make_shared<Tonwell>();
    t->setClientSite(std::make_shared<SimpleSite>(userMode));
    t->initNew();
    return t;
}

}  // namespace

TEST(Interface, SettersClampAndGainFollowsTheRule) {
    struct Case {
        DISPID id;
        std::int16_t put, stored;
    };
    const Case cases[] = {
        {dispid::PlayVolume, 150, 100},   {dispid::PlayVolume, -150, -100},  {dispid::PlayVolume, 37, 37},
        {dispid::RecordLevel, 101, 100},  {dispid::RecordLevel, -101, -100}, {dispid::SilenceLevel, -5, 0},
        {dispid::SilenceLevel, 150, 100}, {dispid::SilenceTimer, -1, 0},     {dispid::SilenceTimer, 2500, 2500},
    };
    auto t = sited(true);
    for (const Case& c : cases) {
        EXPECT_EQ(t->put(c.id, Variant(c.put)), S_OK);
        Variant v;
        ASSERT_EQ(t->get(c.id, &v), S_OK);
        EXPECT_TRUE(v == Variant(c.stored)) << c.id << ": " << c.put << " gave " << v.toString().toStdString();
    }
    const std::pair<std::int16_t, float> gains[] = {{-100, 0.0f}, {-50, 0.5f}, {0, 1.0f}, {50, 6.0f}, {100, 11.0f}};
    for (auto [volume, gain] : gains) {
        t->put_PlayVolume(volume);
        EXPECT_FLOAT_EQ(t->playGain(), gain) << volume;
    }
}

TEST(Interface, NegativeBufferLengthsAreRefusedWithErrorInfo) {
    auto t = sited(true);
    const std::pair<DISPID, const char*> cases[] = {
        {dispid::PlayBufferLength, "Play buffer length invalid property value"},
        {dispid::RecordBufferLength, "Record buffer length invalid property value"},
    };
    for (auto [id, text] : cases) {
        Variant before;
        t->get(id, &before);
        EXPECT_EQ(t->put(id, Variant(std::int16_t(-1))), static_cast<HRESULT>(0x80042016));
        auto info = getErrorInfo();
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->description, QLatin1String(text));
        EXPECT_EQ(info->source, QStringLiteral("Tonwell.Tonwell.1"));
        EXPECT_EQ(info->helpFile, QStringLiteral("MyHelpFile.chm"));
        EXPECT_EQ(info->helpContext, 1234u);
        EXPECT_EQ(info->iid, IID_ITonwell);
        Variant after;
        t->get(id, &after);
        EXPECT_TRUE(before == after);
    }
}

TEST(Interface, BoolSettersTakeOnlyMinusOneAsTrue) {
    auto t = sited(true);
    const std::pair<std::int16_t, VARIANT_BOOL> cases[] = {
        {-1, VARIANT_TRUE}, {1, VARIANT_FALSE}, {0, VARIANT_FALSE}, {2, VARIANT_FALSE}};
    for (DISPID id : {dispid::SilenceDeletion, dispid::Enabled}) {
        for (auto [put, stored] : cases) {
            EXPECT_EQ(t->put(id, Variant(static_cast<VARIANT_BOOL>(put))), S_OK);
            Variant v;
            t->get(id, &v);
            EXPECT_EQ(v.type(), VT_BOOL);
            EXPECT_EQ(v.boolVal(), stored) << id << " put " << put;
        }
    }
}

TEST(Interface, RunTimeOnlyGettersFailInDesignModeAndWithoutSite) {
    const DISPID runTimeOnly[] = {dispid::WaveInNumDevs,    dispid::WaveOutNumDevs,    dispid::PlayPaused,
                                  dispid::RecordPaused,     dispid::ConvertAttributes, dispid::ConvertTag,
                                  dispid::ConvertBusy,      dispid::ConvertFormat,     dispid::RecordTag,
                                  dispid::RecordAttributes, dispid::RecordUserFormat,  dispid::PlayBusy,
                                  dispid::RecordBusy,       dispid::PlayTag,           dispid::PlayAttributes};
    auto design = sited(false);
    auto unsited = std::make_shared<Tonwell>();
    auto running = sited(true);
    for (DISPID id : runTimeOnly) {
        Variant v;
        EXPECT_EQ(design->get(id, &v), static_cast<HRESULT>(0x800A018A)) << id;
        EXPECT_TRUE(v.isEmpty());
        EXPECT_EQ(unsited->get(id, &v), static_cast<HRESULT>(0x800A018A)) << id;
        EXPECT_EQ(running->get(id, &v), S_OK) << id;
    }
    for (auto* t : {design.get(), unsited.get()}) {
        Variant v;
        EXPECT_EQ(t->get(dispid::PlayVolume, &v), S_OK);
        EXPECT_EQ(t->get(dispid::PlayFilename, &v), S_OK);
    }
}

TEST(Interface, StreamLayoutIsByteExactAndNewerVersionsAreRefused) {
    auto t = sited(true);
    t->put_RecordFilename(QStringLiteral("r.wav"));
    t->put_PlayVolume(-3);
    t->put_RecordFormat(tw44100Hz16bit);
    t->put_SilenceDeletion(VARIANT_TRUE);
    MemoryStream s;
    ASSERT_EQ(t->save(s, true), S_OK);
    const QByteArray expected = QByteArray::fromHex(
        "00030000"
        "4f030000"
        "4f030000"  // version, _cx, _cy (32 px in HIMETRIC)
        "0800"
        "00000000"  // PlayFilename: empty
        "0800"
        "0c000000"
        "72002e00770061007600"
        "0000"  // RecordFilename "r.wav"
        "0200"
        "fdff"  // PlayVolume -3
        "0200"
        "0000"  // RecordLevel
        "0300"
        "80000000"  // RecordFormat 128
        "0200"
        "1900"  // SilenceLevel 25
        "0200"
        "e803"  // SilenceTimer 1000
        "0200"
        "0200"  // PlayBufferLength
        "0200"
        "0100"  // RecordBufferLength
        "0b00"
        "ffff");  // SilenceDeletion
    EXPECT_EQ(s.data().toHex(), expected.toHex());

    auto loaded = std::make_shared<Tonwell>();
    s.rewind();
    ASSERT_EQ(loaded->load(s), S_OK);
    std::int16_t volume = 0;
    loaded->get_PlayVolume(&volume);
    EXPECT_EQ(volume, -3);
    loaded->setClientSite(std::make_shared<SimpleSite>(true));
    QString tag, attributes;
    loaded->get_RecordTag(&tag);
    loaded->get_RecordAttributes(&attributes);
    EXPECT_EQ(tag, QStringLiteral("PCM"));
    EXPECT_EQ(attributes, QStringLiteral("44.100 kHz, 16 Bit, Mono"));
    MemoryStream again;
    EXPECT_EQ(loaded->load(again), E_UNEXPECTED);
    EXPECT_EQ(loaded->initNew(), E_UNEXPECTED);

    QByteArray newer = expected;
    newer[0] = 0x01;  // 0x301
    MemoryStream refused(newer);
    auto fresh = std::make_shared<Tonwell>();
    EXPECT_EQ(fresh->load(refused), E_FAIL);
}

TEST(Interface, PropertyBagUsesTheMapNames) {
    auto t = sited(true);
    t->put_PlayBufferLength(7);
    MemoryPropertyBag bag;
    ASSERT_EQ(t->save(bag, true, true), S_OK);
    QStringList names;
    for (const auto& [name, value] : bag.entries()) names << name;
    EXPECT_EQ(names, (QStringList{"_cx", "_cy", "PlayFilename", "RecordFilename", "PlayVolume", "RecordLevel",
                                  "RecordFormat", "SilenceLevel", "SilenceTimer", "PlayBufferLength",
                                  "RecordBufferLength", "SilenceDeletion"}));
    MemoryPropertyBag text = MemoryPropertyBag::fromText(bag.toText());
    auto loaded = std::make_shared<Tonwell>();
    ASSERT_EQ(loaded->load(text), S_OK);
    std::int16_t length = 0;
    loaded->get_PlayBufferLength(&length);
    EXPECT_EQ(length, 7);
}

TEST(Interface, TypeInfoHasTheMembersEventsAndEnums) {
    Tonwell t;
    const TypeInfo& info = t.typeInfo();
    EXPECT_EQ(info.members.size(), 38u);
    struct Member {
        DISPID id;
        const char* name;
        const char* help;
    };
    const Member members[] = {
        {-514, "Enabled", ""},
        {7, "Play", "Plays a wave file"},
        {14, "WaveInGetName", "Returns the name of the specied device ID"},
        {-552, "About", "Shows the About dialog"},
        {18, "PlayBufferLength", "Sets/returns the length of the play buffer in 100ms"},
        {36, "PlayAttributes", "Returns the play format attributes"},
    };
    for (const Member& m : members) {
        const MemberInfo* mi = info.member(m.id);
        ASSERT_NE(mi, nullptr) << m.name;
        EXPECT_EQ(mi->name, QLatin1String(m.name));
        EXPECT_EQ(mi->help, QLatin1String(m.help));
    }
    DISPID id = 0;
    EXPECT_EQ(t.idOfName(QStringLiteral("playvolume"), &id), S_OK);
    EXPECT_EQ(id, 2);
    ASSERT_EQ(info.events.size(), 6u);
    EXPECT_EQ(info.event(4)->name, QStringLiteral("VUChange"));
    ASSERT_EQ(info.enums.size(), 2u);
    EXPECT_EQ(info.enums[0].items[4].name, QStringLiteral("tw2205Hz8bit"));
    EXPECT_EQ(info.enums[0].items[4].value, 16);
    EXPECT_EQ(info.enums[1].items.back().value, static_cast<std::int32_t>(0x80042018));
}

TEST(Interface, ConstructionCountsDevicesAndMarksFormatsNotSet) {
    qputenv("TONWELL_AUDIO", "virtual");
    auto t = sited(true);
    std::int16_t n = 0;
    EXPECT_EQ(t->get_WaveOutNumDevs(&n), S_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(t->maxFormatSize(), 30u);  // MPEG Layer-3 has the largest record
    // RecordFormat 2 is stored, but the record format buffer reads "not set" until it is put.
    t->put_RecordFormat(twUserSelect);
    QString user;
    t->get_RecordUserFormat(&user);
    EXPECT_EQ(user, QString());
    t->put_RecordUserFormat(QStringLiteral("01000100401F0000803E0000020010000000"));
    t->get_RecordUserFormat(&user);
    EXPECT_EQ(user, QStringLiteral("01000100401F0000803E0000020010000000"));
    EXPECT_EQ(t->messageWindow(), nullptr);  // made by the first Play
}

TEST(Interface, AboutDialogSaysWhatItIs) {
    auto dialog = makeAboutDialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("About The Control"));
    auto* label = dialog->findChild<QLabel*>(QStringLiteral("201"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Tonwell V1.11"));
}
