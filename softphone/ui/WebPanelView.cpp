#include "WebPanelView.h"

#include "StartupTrace.h"
#include "webengine/EmbeddedBrowser.h"

#include "core/Diagnostics.h"
#include "core/window/Controls.h"

#include <QCoreApplication>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <dlfcn.h>

#include <memory>

namespace velmora::ui {
namespace {

bool openable(const QUrl& url) { return url.scheme() == "https" || url == QUrl(QStringLiteral("about:blank")); }

// Where the browser module is: beside the program in the build tree, in the
// program's own library folder once installed.
std::vector<std::string> moduleCandidates() {
    const std::string here = QCoreApplication::applicationDirPath().toStdString();
    return {here + "/velmoraapp-webengine.so", here + "/" VELMORA_WEBENGINE_MODULE};
}

// The Web page's content. The browser engine (its library, an OpenGL context
// and three helper processes, most of the program's memory) starts the first
// time the page is shown; an address asked for before then is remembered, the
// last one winning, and opened when it starts.
class WebPanel : public QWidget {
public:
    WebPanel(core::WebBrowser& control, std::function<std::filesystem::path()> authorities)
        : control_(control), authorities_(std::move(authorities)) {
        setObjectName("WebBrowser1");
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        notice_ = new QLabel(QStringLiteral("Loading\u2026"));
        notice_->setObjectName("webPanelNotice");
        notice_->setAlignment(Qt::AlignCenter);
        layout->addWidget(notice_);
        control_.observe([this] { navigated(); });
    }

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (browser_ || starting_) return;
        // After this turn of the loop, so the page and its notice are drawn
        // before the engine's start holds the window's thread.
        starting_ = true;
        QTimer::singleShot(0, this, [this] { start(); });
    }

private:
    void navigated() {
        if (control_.address().empty()) return;
        const QUrl url(QString::fromStdString(control_.address()));
        if (!openable(url)) {
            core::diagnostic("web panel: " + url.scheme().toStdString() +
                             " address refused; the panel opens https only");
            return;
        }
        wanted_ = url;
        if (browser_) browser_->open(url);
    }

    void start() {
        repaint();
        traceStartup("web engine starting");
        void* module = nullptr;
        std::string why;
        for (const auto& candidate : moduleCandidates()) {
            if ((module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))) break;
            if (const char* error = ::dlerror(); why.empty() && error) why = error;
        }
        auto make = module ? reinterpret_cast<MakeEmbeddedBrowser>(::dlsym(module, kMakeEmbeddedBrowser)) : nullptr;
        BrowserHooks hooks;
        hooks.privateAuthority = [authorities = authorities_](const std::vector<QByteArray>& chain,
                                                              const std::string& host) -> std::optional<std::string> {
            const auto caFile = authorities ? authorities() : std::filesystem::path();
            if (caFile.empty()) return std::nullopt;
            return chainRefusal(chain, caFile, host);
        };
        hooks.diagnostic = [](const std::string& text) { core::diagnostic(text); };
        browser_ = make ? make(hooks) : nullptr;
        if (!browser_) {
            notice_->setText(QStringLiteral("The web page cannot be shown here."));
            core::diagnostic("web panel: the browser could not start" + (why.empty() ? "" : " (" + why + ")"));
            return;
        }
        layout()->addWidget(browser_->view());
        notice_->hide();
        traceStartup("web engine started");
        browser_->open(wanted_.isEmpty() ? QUrl(QStringLiteral("about:blank")) : wanted_);
    }

    core::WebBrowser& control_;
    std::function<std::filesystem::path()> authorities_;
    QLabel* notice_ = nullptr;
    EmbeddedBrowser* browser_ = nullptr;  // a child widget, owned by this panel
    bool starting_ = false;
    QUrl wanted_;
};

}  // namespace

std::string chainRefusal(const std::vector<QByteArray>& derChain, const std::filesystem::path& caFile,
                         const std::string& host) {
    if (derChain.empty()) return "no certificate";
    const auto x509 = [](const QByteArray& der) {
        const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
        return d2i_X509(nullptr, &p, der.size());
    };
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
    if (!store || X509_STORE_load_file(store.get(), caFile.c_str()) != 1)
        return "RootCA file " + caFile.string() + " holds no certificate";
    std::unique_ptr<X509, decltype(&X509_free)> leaf(x509(derChain.front()), X509_free);
    if (!leaf) return "unreadable certificate";
    std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> untrusted(
        sk_X509_new_null(), [](STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); });
    for (std::size_t i = 1; i < derChain.size(); ++i)
        if (X509* cert = x509(derChain[i])) sk_X509_push(untrusted.get(), cert);
    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> ctx(X509_STORE_CTX_new(), X509_STORE_CTX_free);
    if (!ctx || X509_STORE_CTX_init(ctx.get(), store.get(), leaf.get(), untrusted.get()) != 1) return "no memory";
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
    X509_VERIFY_PARAM_set_purpose(param, X509_PURPOSE_SSL_SERVER);
    if (X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) != 1 &&
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size()) != 1)
        return "no host to check";
    if (X509_verify_cert(ctx.get()) == 1) return "";
    return X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx.get()));
}

QWidget* makeWebPanel(core::WebBrowser& control, std::function<std::filesystem::path()> authorities) {
    return new WebPanel(control, std::move(authorities));
}

}  // namespace velmora::ui
