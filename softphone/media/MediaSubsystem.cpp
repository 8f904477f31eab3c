#include "MediaSubsystem.h"

#include "AudioEvents.h"
#include "AudioOptions.h"
#include "Chat.h"
#include "RecordingEvents.h"

#include "core/AppContext.h"
#include "core/EngineEventBus.h"

namespace velmora::media {

void install(core::AppContext& app, core::EngineEventBus& events) {
    events.add(std::make_unique<AudioEvents>(app));
    events.add(std::make_unique<RecordingEvents>(app));

    auto& w = app.window;
    w.CheckPlayDialTone.onClick = [&app] { ringBackSwitchClicked(app); };

    events.add(std::make_unique<ChatEvents>(app));
    w.IMCap.setVisible(false);
    for (long code = 0; code <= 4; ++code) w.ComboMyChatStatus.addItem(chatStatusText(code));
    w.MonCheck.onClick = [&app] { chatScreenToggled(app); };
    w.ChatUserName.onClick = [&app] { chatUserChosen(app); };
    w.BtnAddChatContact.onClick = [&app] { addChatContact(app); };
    w.BtnRemoveChatContact.onClick = [&app] { removeChatContact(app); };
    w.ComboMyChatStatus.onClick = [&app] { myChatStatusChosen(app); };
    w.BtnSendChatMsg.onClick = [&app] { sendChatMessage(app); };
    w.EditSendChatMsg.onEnter = [&app] { sendChatMessage(app); };
    w.IMCap.onClick = [&app] { newMessageIndicatorClicked(app); };
    w.Command2.onClick = [&app] { clearChat(app); };
    w.Command3.onClick = [&app] { editChatUsers(app); };
}

}  // namespace velmora::media
