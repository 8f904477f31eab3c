#pragma once

#include <QByteArray>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace velmora::ui {

// The browser behind the web panel. It lives in a module of its own
// (velmoraapp-webengine.so) that the program loads the first time the panel
// is shown: linking Qt WebEngine into the program would map the browser
// engine's library at start and, through it, create an OpenGL context (Mesa
// and its LLVM) before the window exists, for a page the agent may never
// open. This header is all the program knows of it; it pulls in no
// WebEngine header.
class EmbeddedBrowser {
public:
    virtual ~EmbeddedBrowser() = default;
    // The browser's widget; the panel that holds it owns it.
    virtual QWidget* view() = 0;
    // Shows url unless it is already the page shown. Only https addresses
    // (and about:blank) come here; the page refuses every other scheme itself.
    virtual void open(const QUrl& url) = 0;
};

struct BrowserHooks {
    // A server's certificate chain (DER, the server's own first) that no
    // authority of the system vouches for, and the host it came from: why
    // the private authority (RootCA) refuses it ("" when it takes it), or
    // nothing when there is no private authority to ask.
    std::function<std::optional<std::string>(const std::vector<QByteArray>& chain, const std::string& host)>
        privateAuthority;
    // The program's diagnostics (the browser module has no console of its own).
    std::function<void(const std::string&)> diagnostic;
};

// The module's one entry point, found with dlsym: a new browser, or null when
// the engine cannot start.
using MakeEmbeddedBrowser = EmbeddedBrowser* (*)(const BrowserHooks& hooks);
inline constexpr const char* kMakeEmbeddedBrowser = "velmora_make_embedded_browser";

}  // namespace velmora::ui
