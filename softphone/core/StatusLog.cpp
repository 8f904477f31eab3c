#include "StatusLog.h"

#include "AppContext.h"
#include "TextRules.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velmora::core {
namespace {

constexpr std::size_t kLineStatusLength = 50;
constexpr int kHangUpDelayMs = 2000;
// The list keeps the last lines only: a long shift, or a peer sending
// endless DTMF, must not grow it without bound.
constexpr int kStatusLogLines = 1000;
// Lines carry texts from the network (reason phrases, digits): a screenful
// is plenty.
constexpr std::size_t kStatusLineLength = 200;

// One line of at most kStatusLineLength bytes, control characters made
// blanks, never cut inside a UTF-8 sequence.
std::string statusLine(const std::string& text) {
    std::string line = text.substr(0, kStatusLineLength);
    if (line.size() < text.size())
        while (!line.empty() && (static_cast<unsigned char>(text[line.size()]) & 0xC0) == 0x80) line.pop_back();
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return line;
}

constexpr std::array<std::pair<const char*, const char*>, 6> kFailurePhrases{{
    {"forbidden", "Bad Number"},
    {"server internal failure", "Bad Number"},
    {"service unavailable", "Bad Number"},
    {"temporarily unavailable", "Bad Number"},
    {"not found", "Bad Number"},
    {"busy here", "BUSY"},
}};

}  // namespace

std::string lineStatus(int line, const std::string& message) {
    return "Line-" + std::to_string(line + 1) + ": " + message;
}

void ShowStatus(AppContext& app, const std::string& raw) {
    auto& w = app.window;
    const std::string text = statusLine(raw);
    w.ListStatusLog.addItem(text);
    while (w.ListStatusLog.count() > kStatusLogLines) w.ListStatusLog.removeItem(0);
    w.ListStatusLog.setTopIndex(w.ListStatusLog.count() - 1);
    w.LineStatTxT.setText("");
    w.LineStatTxT.setText(trimSpaces(text.substr(0, kLineStatusLength)));
}

std::optional<std::string> failurePhraseBanner(const std::string& text) {
    std::string key = trimSpaces(text);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& [phrase, banner] : kFailurePhrases)
        if (key == phrase) return std::string(banner);
    return std::nullopt;
}

void onLineStatusChanged(AppContext& app) {
    auto& w = app.window;
    const auto banner = failurePhraseBanner(w.LineStatTxT.text());
    w.LineStatTxT.setText("");
    if (!banner) return;
    w.mouseMenu.setCaption(*banner);
    if (w.autoCheck.ticked()) {
        // Keeps the clipboard dialler from dialling the failed number again;
        // a clipboard held by another program is skipped.
        app.platform.clearClipboard();
        app.platform.setClipboardText("");
    }
    // The call refused, whatever line ComboDial shows after the wait.
    const std::uint64_t refused = app.state.calls.failing;
    msDelay(app.loop, kHangUpDelayMs);
    if (refused && app.state.calls.hangUpCall)
        app.state.calls.hangUpCall(refused);
    else if (w.BtnHangUp.onClick)
        w.BtnHangUp.onClick();
}

}  // namespace velmora::core
