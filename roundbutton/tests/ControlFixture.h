#pragma once
// A Knobix created the way a host creates it: the library registered in a private registry,
// the control made by ProgID, given a site, and its widget shown on a form.

#include "Knobix.h"
#include "KnobixIds.h"

#include "component/control.h"
#include "component/dispatch.h"
#include "component/factory.h"
#include "component/persist.h"
#include "component/site.h"
#include "component/widget.h"

#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

namespace roundbutton::testing {

class ControlTest : public ::testing::Test {
public:
    struct Put {
        component::DISPID id;
        component::Variant value;
    };

    // A further control, created by ProgID.
    static std::shared_ptr<component::Unknown> create() {
        std::shared_ptr<component::Unknown> obj;
        EXPECT_EQ(component::createInstance(QString::fromLatin1(kProgId), &obj), component::S_OK);
        return obj;
    }

protected:
    void SetUp() override {
        ASSERT_TRUE(registry.isValid());
        qputenv("VELMORA_COMPONENT_REGISTRY", registry.path().toLocal8Bit());
        ASSERT_EQ(component::registerServer(QStringLiteral(KNOBIX_LIBRARY)), component::S_OK);
        object = create();
        ASSERT_TRUE(object);
        dispatch = component::query<component::Dispatch>(object);
        ASSERT_NE(dispatch, nullptr);
        site = std::make_shared<component::SimpleSite>();
        component::query<component::OleObject>(object)->setClientSite(site);
        ASSERT_EQ(component::query<component::PersistPropertyBag>(object)->initNew(), component::S_OK);
        knobix = qobject_cast<Knobix*>(component::query<component::ControlWidget>(object)->widget());
        ASSERT_NE(knobix, nullptr);
        knobix->setParent(&form);
        knobix->move(10, 10);
        form.resize(200, 100);
        form.setFocusPolicy(Qt::StrongFocus);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.setFocus();
    }
    void TearDown() override {
        object.reset();  // deletes the widget before the form goes
        qunsetenv("VELMORA_COMPONENT_REGISTRY");
    }

    component::Variant get(component::DISPID id) {
        component::Variant v;
        EXPECT_EQ(dispatch->get(id, &v), component::S_OK) << std::hex << id;
        return v;
    }

    QTemporaryDir registry;
    QWidget form;
    std::shared_ptr<component::Unknown> object;
    component::Dispatch* dispatch = nullptr;
    std::shared_ptr<component::SimpleSite> site;
    Knobix* knobix = nullptr;
};

}  // namespace roundbutton::testing
