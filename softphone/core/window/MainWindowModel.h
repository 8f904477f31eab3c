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
    CheckBox CheckForceInbandDTMF{registry, "CheckForceInbandDTMF", "Force in-band DTMF"};
    CheckBox cidCheck{registry, "cidCheck", "Caller-ID pop-up"};
    CheckBox CheckCaptureSoundDevice{registry, "CheckCaptureSoundDevice", "Capture sound device", 1};
    CheckBox CheckRegisterToProxy{registry, "CheckRegisterToProxy", "Register to proxy", 1};
    CheckBox CheckEchoCancel{registry, "CheckEchoCancel", "Echo cancellation", 1};
    CheckBox CheckG711U{registry, "CheckG711U", "G.711 u-law", 1};
    CheckBox CheckG729{registry, "CheckG729", "G.729"};
    CheckBox CheckG711A{registry, "CheckG711A", "G.711 A-law", 1};
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
    CheckBox CheckDisturb{registry, "CheckDisturb", "Do Not Disturb"};
    CheckBox CheckPlayRingTone{registry, "CheckPlayRingTone", "Play ringtone", 1};
    Button missedcall{registry, "missedcall", "0"};
    Frame MissedCallsFrm{registry, "MissedCallsFrm", "Missed Calls", false};
    ListBox ListMissedCalls{registry, "ListMissedCalls"};
    Button BtnCallBack{registry, "BtnCallBack", "Call Back"};

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
