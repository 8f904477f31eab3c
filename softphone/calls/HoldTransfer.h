#pragma once

#include <optional>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// BtnHold: saves the recording when wanted, then holds the line of ComboDial.
void hold(core::AppContext& app);
// BtnUnHold: takes the line of ComboDial off hold; recording resumes when
// recordAll is "True".
void unhold(core::AppContext& app);
// BtnTransferCall: hands the call of ComboTransferCall to prefix + transfer number.
void blindTransfer(core::AppContext& app);
// CallTranPush: dials prefix + transfer number on the second line.
void secondLineCall(core::AppContext& app);
// BtnConsultTransfer: joins the lines of ComboConsultLineA and ComboConsultLineB.
void consultTransfer(core::AppContext& app);
// threeWayPush: the first line off hold while the second stays active.
void threeWay(core::AppContext& app);

// The call of the line is being handed over (a blind transfer, a message
// drop): its end, once the far end has taken it, writes the record with this
// outcome and the transfer number.
void handOver(core::AppContext& app, int line, const std::string& outcome);
// OnTransferFailed: the call stays the line's, as it was.
void transferFailed(core::AppContext& app, int line);

// The number a transfer-list text stands for: a 10-character text whole,
// otherwise what comes before the first space among the first 50 characters.
std::optional<std::string> transferNumberOf(const std::string& text);

// The transfer-number field and the forwarding controls.
void transferNumberChosen(core::AppContext& app);
void transferFrameDoubleClicked(core::AppContext& app);
void forwardNumberClicked(core::AppContext& app);
void forwardCallClicked(core::AppContext& app);

}  // namespace velmora::calls
