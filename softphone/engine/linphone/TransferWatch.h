#pragma once

#include <string>
#include <vector>

// liblinphone tells that a REFER of ours failed or went through, but not the
// far end's answer: the final response to the REFER (its code and phrase, or
// the 202 that accepted it) and the status line of each NOTIFY about it. The
// engine reads them from belle-sip's trace of the messages it receives
// (SipTrace), while a transfer is under way.

namespace velmora::engine {

struct ReferNews {
    enum class Kind { Response, Notify };
    std::string callId;  // of the dialog the REFER went in
    Kind kind = Kind::Response;
    long code = 0;
    std::string reason;
};

// While a TransferWatch lives, received REFER responses and refer NOTIFYs are
// collected (a few dozen at most; older ones are dropped).
class TransferWatch {
public:
    TransferWatch();
    ~TransferWatch();
    TransferWatch(const TransferWatch&) = delete;
    TransferWatch& operator=(const TransferWatch&) = delete;
};

// Whether any TransferWatch lives (the trace hands messages on only then).
bool transferWatchActive();

// What was collected for this dialog since the last call, oldest first.
std::vector<ReferNews> takeReferNews(const std::string& callId);

// A message as belle-sip traced it; exposed for tests.
void noteReceivedMessage(const std::string& text);

}  // namespace velmora::engine
