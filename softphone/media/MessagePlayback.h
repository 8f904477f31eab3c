#pragma once

namespace velmora::core {
struct AppContext;
class TextBox;
}  // namespace velmora::core

namespace velmora::media {

// The wave-play frame and the three message buttons. Every operation works on
// the line of ComboPlayWave, read at each click; file fields go to the engine
// as they stand, and each refusal is reported without undoing anything.

// The three message fields start at PreRecordedMessages/msg1.wav .. msg3.wav.
void setInitialMessageFiles(core::AppContext& app);

// BtnSetPlayFile, BtnStartPlay1..3: loads the field's file into the play line.
void loadPlayFile(core::AppContext& app, const core::TextBox& field);
// BtnStartPlay: plays the loaded file, heard by the agent too with CheckPlayListen.
void startPlay(core::AppContext& app);
// BtnPlayPause and StopPlayPush (a pause, never a stop).
void pausePlay(core::AppContext& app);
// BtnPlayStop.
void stopPlay(core::AppContext& app);
// BtnPlayForward, BtnPlayRewind: moves the position by `step` from where it is
// (the engine decides what a position before the start means).
void seekPlay(core::AppContext& app, long step);
// PlayMsg1..3: loads the field, waits 250 ms, then plays on the play line as it
// is then.
void playMessage(core::AppContext& app, const core::TextBox& field);

}  // namespace velmora::media
