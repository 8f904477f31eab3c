#include "CallRecording.h"

#include "WaveFile.h"

#include <linphone/api/c-call.h>
#include <mediastreamer2/mediastream.h>
#include <mediastreamer2/msaudiomixer.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <map>
#include <system_error>

// The call's mediastreamer audio stream. liblinphone 5.1 exports it (its own
// testers use it) but declares it only in a header it does not install.
extern "C" MediaStream* linphone_call_get_stream(LinphoneCall* call, LinphoneStreamType type);

namespace velmora::engine {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kBytesPerSecond = CallRecording::kRate * 2;
constexpr std::size_t kNumberLength = 32;

void makePrivateFolder(const fs::path& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    fs::permissions(folder, fs::perms::owner_all, ignored);
}

void removeFile(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

std::uint64_t sizeOf(const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    return error ? 0 : size;
}

bool writeSmallFile(const fs::path& file, const std::string& text) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

// A number from the far end is hostile: only characters a dial string uses
// reach a file name, and not too many of them.
std::string fileNumber(const std::string& number) {
    std::string name;
    for (const char c : number) {
        if (name.size() == kNumberLength) break;
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '*' ||
                           c == '#' || c == '+' || c == '-';
        name += plain ? c : '_';
    }
    return name.empty() ? "unknown" : name;
}

// Stores and stretches left in the folder, by the name they share
// ("call-7" for call-7.pcm and call-7.wav).
std::map<std::string, std::pair<fs::path, fs::path>> leftBehind(const fs::path& folder) {
    std::map<std::string, std::pair<fs::path, fs::path>> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        const fs::path path = entry.path();
        const std::string stem = path.stem().string();
        const std::string extension = path.extension().string();
        // Earlier versions kept one store per line (store-line0.pcm, stretch-line0.wav).
        const bool ours =
            stem.rfind("call-", 0) == 0 || stem.rfind("store-line", 0) == 0 || stem.rfind("stretch-line", 0) == 0;
        if (!ours) continue;
        std::string key = stem;
        if (key.rfind("stretch-line", 0) == 0) key = "store-line" + key.substr(12);
        if (extension == ".pcm")
            found[key].first = path;
        else if (extension == ".wav")
            found[key].second = path;
        else if (extension == ".number")
            found[key];
    }
    return found;
}

// liblinphone's call recorder mixes both directions and hands each mixed block
// to two outputs: the wave writer (output 0) and a Matroska branch (output 1)
// that resamples to 48 kHz and encodes Opus, whatever the record file, though
// only a ".mkv" file is ever written from it. Ours is a wave file, so that
// branch is a quarter of a recorded call's CPU spent on nothing; its output is
// switched off (under the mixer's own lock: the stream's ticker runs on). The
// wave writer gets the same mix as before.
void leaveOutMatroskaBranch(LinphoneCall* call) {
    auto* stream = reinterpret_cast<AudioStream*>(linphone_call_get_stream(call, LinphoneStreamTypeAudio));
    if (!stream || !stream->recorder_mixer || !stream->av_recorder.recorder) return;
    MSAudioMixerCtl output{};
    output.pin = 1;
    output.param.enabled = FALSE;
    ms_filter_call_method(stream->recorder_mixer, MS_AUDIO_MIXER_ENABLE_OUTPUT, &output);
}

}  // namespace

CallRecording::CallRecording(fs::path folder, std::uint64_t serial, std::string number)
    : folder_(std::move(folder)), number_(std::move(number)) {
    makePrivateFolder(folder_);
    const std::string name = "call-" + std::to_string(serial);
    stretch_ = folder_ / (name + ".wav");
    store_ = folder_ / (name + ".pcm");
    about_ = folder_ / (name + ".number");
}

CallRecording::~CallRecording() { retire(); }

void CallRecording::start(LinphoneCall* call) {
    if (recording_ || !call) return;
    removeFile(stretch_);
    linphone_call_start_recording(call);
    leaveOutMatroskaBranch(call);
    std::error_code ignored;
    fs::permissions(stretch_, fs::perms::owner_read | fs::perms::owner_write, ignored);
    recording_ = true;
    stretchStarted_ = std::chrono::steady_clock::now();
}

void CallRecording::streamsRunning(LinphoneCall* call) {
    if (recording_ && call) leaveOutMatroskaBranch(call);
}

void CallRecording::endStretch(LinphoneCall* call, bool keep) {
    if (!recording_) return;
    recording_ = false;
    if (call) linphone_call_stop_recording(call);
    if (keep) {
        if (bytes_ == 0) writeSmallFile(about_, fileNumber(number_));  // before any audio: a crash keeps its name
        const std::uint64_t written = appendWaveAsPcm(stretch_, store_, kRate).value_or(0);
        // The recorder writes only what reached its mixer (nothing while the
        // far end sends no audio and no microphone feeds it): the stretch
        // lasts as long as it ran, the rest silence.
        const auto ran =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - stretchStarted_);
        const std::uint64_t wanted = std::uint64_t(ran.count()) * kBytesPerSecond / 1000 / 2 * 2;
        std::uint64_t added = written;
        if (written < wanted && appendSilenceAsPcm(store_, wanted - written)) added = wanted;
        if (added > 0) {
            bytes_ += added;
            saved_ = false;
        }
    }
    removeFile(stretch_);
}

bool CallRecording::save(const fs::path& path) {
    if (bytes_ == 0 || path.empty() || !writeWaveFromPcm(path, store_, kRate)) return false;
    saved_ = true;
    return true;
}

void CallRecording::reset() {
    removeFile(store_);
    removeFile(about_);
    bytes_ = 0;
    saved_ = false;
}

void CallRecording::retire() {
    if (folder_.empty()) return;
    if (recording_) endStretch(nullptr, true);
    bool gone = true;
    if (unsaved()) {
        const fs::path target = unsavedName(folder_, number_, endedAt_);
        gone = writeWaveFromPcm(target, store_, kRate);
    }
    // A keep that failed (a full disk) leaves the files for the next start.
    if (gone) {
        removeFile(store_);
        removeFile(about_);
    }
    removeFile(stretch_);
    folder_.clear();
}

fs::path CallRecording::unsavedName(const fs::path& folder, const std::string& number,
                                    std::chrono::system_clock::time_point at) {
    const fs::path unsaved = folder / "unsaved";
    makePrivateFolder(unsaved);
    const std::time_t time = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    localtime_r(&time, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%d%m%y_%H%M%S", &local);
    const std::string base = fileNumber(number) + "_" + stamp;
    fs::path name = unsaved / (base + ".wav");
    std::error_code ignored;
    for (int n = 2; fs::exists(name, ignored); ++n) name = unsaved / (base + "-" + std::to_string(n) + ".wav");
    return name;
}

void CallRecording::keepLeftBehind(const fs::path& folder) {
    for (const auto& [key, files] : leftBehind(folder)) {
        const auto& [store, stretch] = files;
        const fs::path storeFile = store.empty() ? folder / (key + ".pcm") : store;
        if (!stretch.empty()) {
            appendWaveAsPcm(stretch, storeFile, kRate);
            removeFile(stretch);
        }
        const fs::path about = folder / (key + ".number");
        if (sizeOf(storeFile) > 0) {
            std::string number;
            std::ifstream(about) >> number;
            // The store's last write is when the call's recording last ran.
            struct stat info {};
            const auto at = ::stat(storeFile.c_str(), &info) == 0
                                ? std::chrono::system_clock::from_time_t(info.st_mtime)
                                : std::chrono::system_clock::now();
            if (!writeWaveFromPcm(unsavedName(folder, number, at), storeFile, kRate)) continue;
        }
        removeFile(storeFile);
        removeFile(about);
    }
}

}  // namespace velmora::engine
