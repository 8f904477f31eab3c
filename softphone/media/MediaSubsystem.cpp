#include "MediaSubsystem.h"

#include "AudioEvents.h"
#include "AudioOptions.h"
#include "CallRecording.h"
#include "FeatureCodes.h"
#include "MessagePlayback.h"
#include "Monitoring.h"
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
    w.CheckStartRecording.onClick = [&app] { startRecordingChanged(app); };
    w.RecThisCallCheck.onClick = [&app] { recordThisCallClicked(app); };
    w.ComboRecord.onClick = [&app] { recordLineChosen(app); };
    w.BtnResetRecordingBuffer.onClick = [&app] { resetRecordingBuffer(app); };
    w.recCheck2.onClick = [&app] { monitorRecordingClicked(app); };
    w.ctPush2.onClick = [&app] { monitorHangUp(app); };
    w.backupwav.onClick = [&app] { backupRecordings(app); };
    w.RecClick.onClick = [&app] { recordingTool(app); };

    // Audio devices, volumes, mute and codecs
    w.SliderMicVol.onChange = [&app] { micVolumeChanged(app); };
    w.SliderSpkVol.onChange = [&app] { speakerVolumeChanged(app); };
    w.CheckMuteMic.onClick = [&app] { muteMicClicked(app); };
    w.CheckSpkMute.onClick = [&app] { muteSpeakerClicked(app); };
    w.CheckMuteLineMIC.onClick = [&app] { muteLineMicClicked(app); };
    w.CheckMuteLineSPK.onClick = [&app] { muteLineSpeakerClicked(app); };
    w.ComboMuteLine.onClick = [&app] { muteLineChosen(app); };
    w.CheckAGC.onClick = [&app] { agcClicked(app); };
    w.CheckEchoCancel.onClick = [&app] { echoCancelClicked(app); };
    w.CheckMicBoost.onClick = [&app] { micBoostClicked(app); };
    const std::pair<core::CheckBox*, long> codecs[] = {
        {&w.CheckGSM610, 0}, {&w.CheckiLBC, 1}, {&w.CheckG711A, 2}, {&w.CheckG711U, 3}, {&w.CheckG729, 4}};
    for (const auto& [box, codec] : codecs)
        box->onClick = [&app, box = box, codec = codec] { codecClicked(app, codec, box->ticked()); };
    w.CheckForceInbandDTMF.onClick = [&app] { inbandDtmfClicked(app); };
    w.audioFrm.onDoubleClick = [&w] { w.audioFrm.setVisible(false); };

    setInitialMessageFiles(app);
    w.BtnSetPlayFile.onClick = [&app] { loadPlayFile(app, app.window.EditPlayFileName); };
    w.BtnStartPlay1.onClick = [&app] { loadPlayFile(app, app.window.EditPlayFileName1); };
    w.BtnStartPlay2.onClick = [&app] { loadPlayFile(app, app.window.EditPlayFileName2); };
    w.BtnStartPlay3.onClick = [&app] { loadPlayFile(app, app.window.EditPlayFileName3); };
    w.BtnStartPlay.onClick = [&app] { startPlay(app); };
    w.BtnPlayPause.onClick = [&app] { pausePlay(app); };
    w.BtnPlayStop.onClick = [&app] { stopPlay(app); };
    w.BtnPlayForward.onClick = [&app] { seekPlay(app, 2); };
    w.BtnPlayRewind.onClick = [&app] { seekPlay(app, -2); };
    w.PlayMsg1.onClick = [&app] { playMessage(app, app.window.EditPlayFileName1); };
    w.PlayMsg2.onClick = [&app] { playMessage(app, app.window.EditPlayFileName2); };
    w.PlayMsg3.onClick = [&app] { playMessage(app, app.window.EditPlayFileName3); };
    w.StopPlayPush.onClick = [&app] { pausePlay(app); };

    w.PlayMsgPush.onClick = [&app] { dropMessage(app); };
    w.LAMPush.onClick = [&app] { listenToMessageBox(app); };
    w.vmclick.onClick = [&app] { callVoiceMail(app); };
    w.GreatPush.onClick = [&app] { recordGreeting(app); };
    w.ListtogreetingCmd.onClick = [&app] { listenToGreeting(app); };
    w.VMCallPush.onClick = [&app] { callTransferNumber(app); };

    w.MonList.onDoubleClick = [&app] { monitorListDoubleClicked(app); };
    w.DDEListen.onClick = [&app] { remoteMonitor(app, kListenCode); };
    w.DDEVelmora.onClick = [&app] { remoteMonitor(app, kSpeakToAgentCode); };
    w.agentList.onClick = [&app] { callColleague(app); };
    w.ralCmd.onClick = [&app] { reloadAgentList(app); };
    w.ealCmd.onClick = [&app] { editAgentList(app); };

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
