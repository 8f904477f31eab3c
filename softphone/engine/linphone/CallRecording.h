#pragma once

#include <linphone/core.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velmora::engine {

// What one call has recorded since its last reset, on disk: liblinphone
// records the call's two directions mixed into a stretch file, one stretch at
// a time; each stretch that ends (pause, save, call end) is appended to the
// call's store as PCM 16-bit mono at 8 kHz, padded with silence to the
// stretch's wall-clock length (the recorder writes only what reached its
// mixer). So a paused stretch is left out, memory does not grow with the
// call's length, and a crash loses nothing. The files are the call's alone,
// named after its serial number, in a folder only the user can enter.
class CallRecording {
public:
    static constexpr int kRate = 8000;

    // folder: <state>/recordings. number: the call's remote user part.
    CallRecording(std::filesystem::path folder, std::uint64_t serial, std::string number);
    ~CallRecording();
    CallRecording(const CallRecording&) = delete;
    CallRecording& operator=(const CallRecording&) = delete;

    // The file liblinphone's recorder writes the running stretch into.
    const std::filesystem::path& stretchFile() const { return stretch_; }
    const std::filesystem::path& storeFile() const { return store_; }

    bool recording() const { return recording_; }
    bool hasAudio() const { return bytes_ > 0; }
    // Audio recorded that was neither saved since nor reset.
    bool unsaved() const { return bytes_ > 0 && !saved_; }

    void start(LinphoneCall* call);
    // The call's audio stream was (re)built, by an update or a resume:
    // liblinphone carries a running recorder over into the new stream.
    void streamsRunning(LinphoneCall* call);
    // Ends the running stretch (stopping the call's recorder when there still
    // is a call) and appends it to the store, or drops it.
    void endStretch(LinphoneCall* call, bool keep);
    // A copy of the store as a wave file; the store keeps its audio.
    bool save(const std::filesystem::path& path);
    // Empties the store (a running stretch is the caller's to end first).
    void reset();
    // The call ended at this moment: the name of an unsaved recording.
    void ended() { endedAt_ = std::chrono::system_clock::now(); }

    // The store is done with (a later call took its line, or the engine
    // stops): unsaved audio is kept in <folder>/unsaved as a wave file named
    // after the number and the end of the call; the call's files go.
    void retire();

    // Stores and stretches an earlier run left behind (a crash): each is
    // kept in <folder>/unsaved like a retired call's and removed.
    static void keepLeftBehind(const std::filesystem::path& folder);
    // Where a recording of number, ended at `at`, is kept: <folder>/unsaved/
    // <number>_<DDMMYY>_<hhmmss>.wav, with -2, -3... when that is taken.
    static std::filesystem::path unsavedName(const std::filesystem::path& folder, const std::string& number,
                                             std::chrono::system_clock::time_point at);

private:
    std::filesystem::path folder_;
    std::filesystem::path stretch_;
    std::filesystem::path store_;
    std::filesystem::path about_;  // the number, for an unsaved keep after a crash
    std::string number_;
    std::uint64_t bytes_ = 0;
    bool saved_ = false;
    bool recording_ = false;
    std::chrono::steady_clock::time_point stretchStarted_;
    std::chrono::system_clock::time_point endedAt_ = std::chrono::system_clock::now();
};

}  // namespace velmora::engine
