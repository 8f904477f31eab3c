#pragma once

#include <QByteArray>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace velmora::core {
class WebBrowser;
}

namespace velmora::ui {

// Whether a server's certificate chain (DER, the server's own first) is
// signed by an authority of the PEM file caFile, valid now and made out to
// host (a name or an address); "" when it is, otherwise why not.
std::string chainRefusal(const std::vector<QByteArray>& derChain, const std::filesystem::path& caFile,
                         const std::string& host);

// The web panel (WebBrowser1): an embedded browser that keeps nothing on disk
// (an off-the-record profile: no history, cache or cookies), opens https
// addresses only, and takes a server's certificate when the browser trusts it
// (the system's authorities) or, for a private authority, when the PEM file
// authorities() names (the RootCA deployment key; empty for none) signed it.
//
// The browser engine starts the first time the panel is shown (its page
// opened): until then the panel holds only a "Loading…" line, and the
// address the control was last asked to show waits for it.
QWidget* makeWebPanel(core::WebBrowser& control, std::function<std::filesystem::path()> authorities);

}  // namespace velmora::ui
