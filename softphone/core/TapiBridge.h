#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace velmora::core {

struct AppContext;

// The TAPI bridge: the bridge program drops request files into datalink/, a
// dial request NUMBER.dia (the number is the file's name, the file is not
// read) or a hang-up request NAME.end. One request is taken a tick.

// What one tick takes from the folder's names.
struct TapiRequest {
    std::string text;      // handed over: the dial request's name, or "#hangup"
    std::string dialFile;  // the *.dia name taken; empty for none
    std::string endFile;   // the *.end name taken; empty for none
};

// Picks the tick's request while the folder is read, keeping only the two
// names that can win: the last *.dia and the last *.end in name order, names
// and patterns compared without regard to case. A hang-up request wins.
class TapiChoice {
public:
    void consider(const std::string& name);
    std::optional<TapiRequest> request() const;

private:
    std::string dial_, end_;
};

// Carries a request out (the click-to-dial rules of the calls subsystem).
using TapiHandOver = std::function<void(const std::string& request)>;
// Deletes a request file; false when it is still there (or already gone).
using RemoveRequestFile = std::function<bool(const std::filesystem::path& file)>;
bool removeRequestFile(const std::filesystem::path& file);

// TapiSip's tick, while UseSipTapi was "True" when going online: takes the
// request, deletes the files taken, puts the request on the clipboard and
// hands it over. A request whose own file cannot be deleted is left for a
// later tick rather than carried out again on every tick.
void tapiSipTick(AppContext& app, const TapiHandOver& handOver, const RemoveRequestFile& remove = removeRequestFile);

// tapiPush: starts the bridge program and keeps the button off while it starts.
inline constexpr int kTapiStartWaitMs = 5000;
void tapiPushClicked(AppContext& app);

}  // namespace velmora::core
