// Designer finds the plugin, puts Knobix in its widget box and edits its properties.
#include "Knobix.h"

#include <QApplication>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>

TEST(DesignerPlugin, OffersKnobixWithEditableProperties) {
    QPluginLoader loader(QStringLiteral(KNOBIX_DESIGNER_PLUGIN));
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    ASSERT_NE(plugin, nullptr) << loader.errorString().toStdString();
    EXPECT_EQ(plugin->name(), "roundbutton::Knobix");
    EXPECT_EQ(plugin->includeFile(), "Knobix.h");
    EXPECT_TRUE(plugin->domXml().contains("class=\"roundbutton::Knobix\""));
    EXPECT_FALSE(plugin->icon().isNull());

    QWidget form;
    QWidget* w = plugin->createWidget(&form);
    auto* k = qobject_cast<roundbutton::Knobix*>(w);
    ASSERT_NE(k, nullptr);
    // What the property editor does: properties by name through the meta-object.
    const std::pair<const char*, QVariant> edits[] = {
        {"Caption", QString("Ok")},
        {"RoundSize", 4},
        {"Light", 30},
        {"Roundness3D", 40},
        {"CreateRegion", false},
        {"BackColor", 0x00336699u},
        {"ToolTipText", QString("Tip")},
    };
    for (const auto& [name, value] : edits) {
        EXPECT_TRUE(w->setProperty(name, value)) << name;
        EXPECT_EQ(w->property(name), value) << name;
    }
    EXPECT_EQ(k->lastFace().base.Red, 0x99);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
