#pragma once

#include "app/Program.h"
#include "core/Online.h"

#include "AppFixture.h"

namespace velmora::media::testing {

// The whole program on a virtual clock, online with two lines, for the agent
// Ann (user 1001).
struct MediaFixture : core::testing::AppFixture {
    app::Program program{app};
    MediaFixture() {
        window.webtimer.setEnabled(false);
        window.EditAccountDisplayName.setText("Ann");
        window.EditAccountUserName.setText(" 1001 ");
        app.state.lineCount = 2;
        core::fillLineLists(app);
        for (auto* devices : {&window.ListAudioIn, &window.ListAudioOut}) {
            devices->addItem("Default Device");
            devices->setListIndex(0);
        }
        engine.clearCalls();  // what filling the line selectors asked is not part of a test
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : platform.messages) texts.push_back(m.text);
        return texts;
    }
};

}  // namespace velmora::media::testing
