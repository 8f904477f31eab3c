#pragma once

#include "Controls.h"

namespace velmora::core {

// The main window's named controls, as plain objects. The Qt view shows them
// and turns the agent's actions into the same calls the handlers and the
// remote automation interface make.
struct MainWindowModel {
    explicit MainWindowModel(EventLoop& loop) : registry(loop) {
        autoCheck.setEnabled(false);  // click-to-dial becomes available once registered
        expChk.setToolTip("Click to show Key Pad and to save the Click Dialer location on your screen.");
        RecThisCallCheck.setToolTip("Requires a large amount of disk space.");
        PlayMsgPush.setToolTip(
            "Play a message while moving to another call. Important: See Buyer/User Agreement note # 6.");
        vmclick.setToolTip("Access your Voice Mail.");
        MonList.setToolTip("DblClick to connect the call.");
        backupwav.setToolTip("Back up call recordings to a server.");
        PlayMsg1.setToolTip("Play message 1");
        PlayMsg2.setToolTip("Play message 2");
        PlayMsg3.setToolTip("Play message 3");
        StopPlayPush.setToolTip("Stop Playing Message.");
        MonCheck.setToolTip("Click to show  IM Chat screen.");
    }

    ControlRegistry registry;
    Form form{registry};

    // Account and provisioning
    Label customerNumber{registry, "customerNumber"};
    Frame Frame7{registry, "Frame7", "Log In Information", false};
    TextBox Text1{registry, "Text1"};
    TextBox Text2{registry, "Text2"};
    TextBox Text3{registry, "Text3"};
    Button SaveCustNum{registry, "SaveCustNum", "Save"};
    Button custNumCmd{registry, "custNumCmd", "Customer Number"};
    Label Label18{registry, "Label18", "Provisioned"};
    Label Label21{registry, "Label21", "Not provisioned"};
    Button editSk1{registry, "editSk1", "Notes"};
    Label loginTxT{registry, "loginTxT"};
    CheckBox expChk{registry, "expChk", "Key Pad"};
    TextBox leftTxt{registry, "leftTxt"};
    TextBox topTxT{registry, "topTxT"};
    TextBox EditAccountDisplayName{registry, "EditAccountDisplayName"};
    TextBox EditAccountUserName{registry, "EditAccountUserName"};
    TextBox EditAccountAuthLogin{registry, "EditAccountAuthLogin"};
    TextBox EditAccountAuthPassword{registry, "EditAccountAuthPassword"};
    TextBox EditAccountSIPProxy{registry, "EditAccountSIPProxy"};
    TextBox EditAccountDomain{registry, "EditAccountDomain"};
    TextBox EditTotalLine{registry, "EditTotalLine"};
    TextBox swipeLengthTxT{registry, "swipeLengthTxT", "14"};

    // Customer-relationship credentials
    Frame LMFrame{registry, "LMFrame", "CRM Log In", false};
    TextBox LMUsetTxt{registry, "LMUsetTxt"};
    TextBox LMPassTxt{registry, "LMPassTxt"};
    TextBox LMWorkGroupTxT{registry, "LMWorkGroupTxT"};
    Button saveHidePush{registry, "saveHidePush", "Save"};

    // System status and options
    Frame SysStatFrm{registry, "SysStatFrm", "System Status"};
    CheckBox CheckForceInbandDTMF{registry, "CheckForceInbandDTMF", "Force Inband DTMF"};
    CheckBox cidCheck{registry, "cidCheck", "Caller-ID pop-up"};
    CheckBox CheckCaptureSoundDevice{registry, "CheckCaptureSoundDevice", "Capture sound device", 1};
    CheckBox CheckRegisterToProxy{registry, "CheckRegisterToProxy", "Register to proxy", 1};
    CheckBox CheckEchoCancel{registry, "CheckEchoCancel", "Echo/Noise Cancellation", 1};
    CheckBox CheckG711U{registry, "CheckG711U", "G711 U-LAW", 1};
    CheckBox CheckG729{registry, "CheckG729", "G729"};
    CheckBox CheckG711A{registry, "CheckG711A", "G711 A-LAW", 1};
    CheckBox CheckGSM610{registry, "CheckGSM610", "GSM 6.10", 1};
    CheckBox CheckiLBC{registry, "CheckiLBC", "iLBC"};
    CheckBox CheckPlayDialTone{registry, "CheckPlayDialTone", "Play Ring Tone", 1};

    // Going online and the status log
    Button BtnOnline{registry, "BtnOnline", "OffLine"};
    // The registration light beside BtnOnline: "Offline", "Registered" or "Failed".
    Label RegLight{registry, "RegLight", "Offline"};
    Button exitcmd{registry, "exitcmd", "Exit"};
    Label mouseMenu{registry, "mouseMenu", "Click Right Mouse Button for Menu"};
    ListBox ListStatusLog{registry, "ListStatusLog"};
    Button BtnClearLog{registry, "BtnClearLog", "Clear"};
    TextBox LineStatTxT{registry, "LineStatTxT"};
    ListView ListViewLineStatus{registry, "ListViewLineStatus"};
    Frame audioFrm{registry, "audioFrm", "Audio OUT/ IN"};
    ListBox ListAudioIn{registry, "ListAudioIn"};
    ListBox ListAudioOut{registry, "ListAudioOut"};
    ProgressBar SpkProgress{registry, "SpkProgress"};
    ProgressBar MicProgress{registry, "MicProgress"};
    WebBrowser WebBrowser1{registry, "WebBrowser1"};

    // Calls and line selectors
    TextBox EditPhoneNo{registry, "EditPhoneNo"};
    Button BtnDial{registry, "BtnDial", "Dial"};
    Button BtnHangUp{registry, "BtnHangUp", "Hang Up"};
    Button redialPush{registry, "redialPush", "Redial"};
    TextBox callsec{registry, "callsec", "0"};
    Label statusLb{registry, "statusLb"};
    TextBox CIDTxt{registry, "CIDTxt"};
    ListBox ListIncomingCall{registry, "ListIncomingCall"};
    Button vmclick{registry, "vmclick", "VM"};
    Button PlayMsgPush{registry, "PlayMsgPush", "PAM"};
    CheckBox CheckStartRecording{registry, "CheckStartRecording", "Start Recording Call"};
    CheckBox RecThisCallCheck{registry, "RecThisCallCheck", "Start Recording Call"};
    CheckBox CheckMicBoost{registry, "CheckMicBoost", "Mic Boost"};
    Slider SliderMicVol{registry, "SliderMicVol", 0, 10};
    Slider SliderSpkVol{registry, "SliderSpkVol", 0, 10};

    // The dial pad: keys and the letter captions printed on them.
    Button BtnDialPad0{registry, "BtnDialPad0", "0"};
    Button BtnDialPad1{registry, "BtnDialPad1", "Velmora"};
    Button BtnDialPad2{registry, "BtnDialPad2", "2"};
    Button BtnDialPad3{registry, "BtnDialPad3", "Barge In"};
    Button BtnDialPad4{registry, "BtnDialPad4", "4"};
    Button BtnDialPad5{registry, "BtnDialPad5", "5"};
    Button BtnDialPad6{registry, "BtnDialPad6", "6"};
    Button BtnDialPad7{registry, "BtnDialPad7", "7"};
    Button BtnDialPad8{registry, "BtnDialPad8", "8"};
    Button BtnDialPad9{registry, "BtnDialPad9", "9"};
    Button BtnDialPadStar{registry, "BtnDialPadStar", "*"};
    Button BtnDialPadNo{registry, "BtnDialPadNo", "#"};
    Label ctText8{registry, "ctText8", "OPER"};
    Label abctxt{registry, "abctxt", "ABC"};
    Label ctText1{registry, "ctText1", "DEF"};
    Label ctText2{registry, "ctText2", "GHI"};
    Label ctText3{registry, "ctText3", "JKL"};
    Label ctText4{registry, "ctText4", "MNO"};
    Label ctText5{registry, "ctText5", "PRS"};
    Label ctText6{registry, "ctText6", "TUV"};
    Label ctText7{registry, "ctText7", "WXY"};
    Button Command1{registry, "Command1", "Box#"};
    TextBox EditForwardCallPhoneNo{registry, "EditForwardCallPhoneNo"};
    ComboBox EditTransferPhoneNo{registry, "EditTransferPhoneNo"};
    CheckBox autoCheck{registry, "autoCheck", "Click Off"};
    ComboBox ComboDial{registry, "ComboDial"};
    ComboBox ComboRecord{registry, "ComboRecord"};
    ComboBox ComboPlayWave{registry, "ComboPlayWave"};
    ComboBox ComboIncomingCall{registry, "ComboIncomingCall"};
    ComboBox ComboTransferCall{registry, "ComboTransferCall"};
    ComboBox ComboConsultLineA{registry, "ComboConsultLineA"};
    ComboBox ComboConsultLineB{registry, "ComboConsultLineB"};
    ComboBox ComboMuteLine{registry, "ComboMuteLine"};

    // Chat
    Frame Frame2{registry, "Frame2", " Chat Message(s)", false};

    // Monitoring and the remote dialer fields
    ListBox agentList{registry, "agentList"};
    ListBox MonList{registry, "MonList"};
    TextBox velmoraDDEtxt{registry, "velmoraDDEtxt"};
    TextBox dialerOnDDE{registry, "dialerOnDDE"};
    Button DDEListen{registry, "DDEListen", "Listen"};
    Button DDEVelmora{registry, "DDEVelmora", "Dial"};

    // Call recording, hold, transfer, three-way and forwarding
    Frame recFrame{registry, "recFrame", "Call Recording"};
    TextBox EditSaveFileName{registry, "EditSaveFileName"};
    Button BtnSaveToWaveFilex{registry, "BtnSaveToWaveFilex", "Save"};
    Button BtnResetRecordingBuffer{registry, "BtnResetRecordingBuffer", "Reset Buffer"};
    Button backupwav{registry, "backupwav", "BK"};
    Button RecClick{registry, "RecClick", "REC"};
    CheckBox recCheck2{registry, "recCheck2", " Record Call"};
    Button ctPush2{registry, "ctPush2", "Hang Up"};
    Frame Frame10{registry, "Frame10", "Transfer"};
    Button BtnHold{registry, "BtnHold", "Hold"};
    Button BtnUnHold{registry, "BtnUnHold", "Unhold"};
    Button BtnTransferCall{registry, "BtnTransferCall", "Transfer"};
    Button CallTranPush{registry, "CallTranPush", "Call Transfer Number"};
    Button BtnConsultTransfer{registry, "BtnConsultTransfer", "Consult"};
    Button threeWayPush{registry, "threeWayPush", "3-Way"};
    TextBox PreDialTxT{registry, "PreDialTxT"};
    CheckBox CheckForwardCall{registry, "CheckForwardCall", "Forward Calls"};
    // Audio: mute, voice processing, do-not-disturb and the ring sound; the
    // clock and the TAPI bridge's button
    CheckBox CheckMuteMic{registry, "CheckMuteMic", "Mute"};
    CheckBox CheckSpkMute{registry, "CheckSpkMute", "Mute"};
    CheckBox CheckMuteLineMIC{registry, "CheckMuteLineMIC", "Mute Line MIC"};
    CheckBox CheckMuteLineSPK{registry, "CheckMuteLineSPK", "Mute Line SPK"};
    CheckBox CheckAGC{registry, "CheckAGC", "AGC (Auto Gain Control)"};
    CheckBox CheckDisturb{registry, "CheckDisturb", "Do Not Disturb"};
    CheckBox CheckPlayRingTone{registry, "CheckPlayRingTone", "Play ringtone", 1};
    TextBox TimeText{registry, "TimeText"};
    Button tapiPush{registry, "tapiPush", "SIP TAPI"};
    // Message playback, message drop, feature-code calls and monitoring
    Frame FramePlayWave{registry, "FramePlayWave", "Play wave (.wav)"};
    TextBox EditPlayFileName{registry, "EditPlayFileName"};
    TextBox EditPlayFileName1{registry, "EditPlayFileName1"};
    TextBox EditPlayFileName2{registry, "EditPlayFileName2"};
    TextBox EditPlayFileName3{registry, "EditPlayFileName3"};
    Button BtnSetPlayFile{registry, "BtnSetPlayFile", "Set File"};
    Button BtnStartPlay1{registry, "BtnStartPlay1", "Play1"};
    Button BtnStartPlay2{registry, "BtnStartPlay2", "Play2"};
    Button BtnStartPlay3{registry, "BtnStartPlay3", "Play3"};
    Button BtnStartPlay{registry, "BtnStartPlay", "Play"};
    Button BtnPlayPause{registry, "BtnPlayPause", "Pause"};
    Button BtnPlayStop{registry, "BtnPlayStop", "Stop"};
    Button BtnPlayForward{registry, "BtnPlayForward", ">>"};
    Button BtnPlayRewind{registry, "BtnPlayRewind", "<<"};
    CheckBox CheckPlayListen{registry, "CheckPlayListen", "Listen"};
    Frame FramePlayMsg{registry, "FramePlayMsg", "Play a Recorded Message:"};
    Button PlayMsg1{registry, "PlayMsg1", "1"};
    Button PlayMsg2{registry, "PlayMsg2", "2"};
    Button PlayMsg3{registry, "PlayMsg3", "3"};
    Button StopPlayPush{registry, "StopPlayPush", "Stop"};
    Button LAMPush{registry, "LAMPush", "LIS"};
    Button GreatPush{registry, "GreatPush", "REC GREETING"};
    Button ListtogreetingCmd{registry, "ListtogreetingCmd", "LIS GREETING"};
    Button VMCallPush{registry, "VMCallPush", "Call"};
    CheckBox VelmoraCheck{registry, "VelmoraCheck", " Velmora"};
    Button ralCmd{registry, "ralCmd", "Refresh Agent List"};
    Button ealCmd{registry, "ealCmd", "Edit Agent List"};
    // Agent chat and presence, incoming calls, caller-ID hand-over and missed calls
    CheckBox MonCheck{registry, "MonCheck", "IM"};
    ComboBox ChatUserName{registry, "ChatUserName"};
    ListBox ListChatContact{registry, "ListChatContact"};
    TextBox EditChatContact{registry, "EditChatContact"};
    Button BtnAddChatContact{registry, "BtnAddChatContact", "Add"};
    Button BtnRemoveChatContact{registry, "BtnRemoveChatContact", "Remove"};
    TextBox EditSendChatUserName{registry, "EditSendChatUserName"};
    TextBox EditSendChatMsg{registry, "EditSendChatMsg"};
    Button BtnSendChatMsg{registry, "BtnSendChatMsg", "Send"};
    ListBox ListChatMsg{registry, "ListChatMsg"};
    ComboBox ComboMyChatStatus{registry, "ComboMyChatStatus"};
    Button IMCap{registry, "IMCap", "New Message"};
    Button Command2{registry, "Command2", "Clear"};
    Button Command3{registry, "Command3", "Chat Users"};
    Frame InBoundFrm{registry, "InBoundFrm", "Incoming Call", false};
    Label Label1{registry, "Label1", "Incoming Calls"};
    Button ctPush1{registry, "ctPush1", "Close"};
    ListBox ListIncomingCallIds{registry, "ListIncomingCallIds"};
    Button BtnAccept{registry, "BtnAccept", "Accept"};
    Button BtnReject{registry, "BtnReject", "Reject"};
    Button CIDPush{registry, "CIDPush", "Caller ID"};
    Button missedcall{registry, "missedcall", "0"};
    Frame MissedCallsFrm{registry, "MissedCallsFrm", "Missed Calls", false};
    ListBox ListMissedCalls{registry, "ListMissedCalls"};
    Button BtnCallBack{registry, "BtnCallBack", "Call Back"};

    // The call strip beside the dial field: per line its state, number and
    // caller name, talk time from the answer, and the line's own buttons.
    Label StripState1{registry, "StripState1", "Free"};
    Label StripCaller1{registry, "StripCaller1"};
    Label StripTime1{registry, "StripTime1"};
    Button StripMute1{registry, "StripMute1", "Mute"};
    Button StripHold1{registry, "StripHold1", "Hold"};
    Button StripTransfer1{registry, "StripTransfer1", "Transfer"};
    Button StripHangUp1{registry, "StripHangUp1", "Hang Up"};
    Label StripState2{registry, "StripState2", "Free"};
    Label StripCaller2{registry, "StripCaller2"};
    Label StripTime2{registry, "StripTime2"};
    Button StripMute2{registry, "StripMute2", "Mute"};
    Button StripHold2{registry, "StripHold2", "Hold"};
    Button StripTransfer2{registry, "StripTransfer2", "Transfer"};
    Button StripHangUp2{registry, "StripHangUp2", "Hang Up"};
    // The number the strip's Transfer hands its line's call to (asked for
    // when empty, prefilled from the transfer field).
    TextBox StripTransferTo{registry, "StripTransferTo"};

    // Timers, with the state they have when the window loads.
    Timer TimeTimer{registry, "TimeTimer", 1000, true};
    Timer TapiSip{registry, "TapiSip", 500, true};
    Timer DialTimer{registry, "DialTimer", 500, true};
    Timer webtimer{registry, "webtimer", 2000, true};
    Timer TimerTick{registry, "TimerTick", 1000};
    Timer TimerProgressBar{registry, "TimerProgressBar", 20};
    Timer OnLineTimer{registry, "OnLineTimer", 1000};
    Timer logCleanTimer{registry, "logCleanTimer", 500};
    Timer CallTimer{registry, "CallTimer", 1000};
};

}  // namespace velmora::core
