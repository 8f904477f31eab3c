#include "TapiBridge.h"

#include "AppContext.h"
#include "PopupMenu.h"
#include "StatusLog.h"
#include "TextRules.h"

#include <algorithm>
#include <compare>
#include <system_error>

namespace velmora::core {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithIgnoringCase(const std::string& name, const std::string& suffix) {
    if (name.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<long>(suffix.size()),
                      [](char a, char b) { return lower(a) == lower(b); });
}

// Name order without regard to case, byte by byte; names equal but for case
// in plain byte order, so that the choice never depends on the order in which
// the folder lists them.
bool before(const std::string& a, const std::string& b) {
    const auto order = std::lexicographical_compare_three_way(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y) { return static_cast<unsigned char>(lower(x)) <=> static_cast<unsigned char>(lower(y)); });
    return order != 0 ? order < 0 : a < b;
}

void keepLast(std::string& kept, const std::string& name) {
    if (kept.empty() || before(kept, name)) kept = name;
}

}  // namespace

void TapiChoice::consider(const std::string& name) {
    if (endsWithIgnoringCase(name, ".dia"))
        keepLast(dial_, name);
    else if (endsWithIgnoringCase(name, ".end"))
        keepLast(end_, name);
}

std::optional<TapiRequest> TapiChoice::request() const {
    if (!end_.empty()) return TapiRequest{"#hangup", dial_, end_};
    if (!dial_.empty()) return TapiRequest{trimSpaces(dial_), dial_, ""};
    return std::nullopt;
}

bool removeRequestFile(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::remove(file, ec);
}

void tapiSipTick(AppContext& app, const TapiHandOver& handOver, const RemoveRequestFile& remove) {
    if (!app.state.useSipTapi) return;
    const auto folder = app.root.find("datalink");
    TapiChoice choice;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) choice.consider(it->path().filename().string());
    }
    const auto request = choice.request();
    if (!request) return;
    // The file that makes the request goes first: while it cannot be deleted
    // the request waits, so it is never carried out twice.
    const std::string& own = request->endFile.empty() ? request->dialFile : request->endFile;
    if (!remove(folder / own)) return;
    if (!request->endFile.empty() && !request->dialFile.empty()) remove(folder / request->dialFile);
    app.platform.clearClipboard();
    app.platform.setClipboardText(request->text);
    if (handOver) handOver(request->text);
}

void tapiPushClicked(AppContext& app) {
    auto& button = app.window.tapiPush;
    button.setEnabled(false);
    if (!startSibling(app, "apps", "Quenlo")) ShowStatus(app, "Quenlo is not installed in apps/.");
    msDelay(app.loop, kTapiStartWaitMs);
    button.setEnabled(true);
}

}  // namespace velmora::core
